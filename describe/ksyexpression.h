// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct KsyEnum;
struct KsyType;

// An expression of a description, parsed once when it is loaded: a literal,
// a name, a member, a call, an index, an operator with its operands.
enum class KsyOp : std::uint8_t {
    Int,
    Float,
    Str,
    Bool,
    Array,     // [a, b, ...]: a byte array when every item is an integer
    Name,      // an identifier: a member of the object at hand, or _root, _parent, _io, _, _index
    Member,    // kids[0].name
    Call,      // kids[0].name(kids[1], ...)
    Index,     // kids[0][kids[1]]
    Cast,      // kids[0].as<name>: the value as it is
    EnumValue, // enum::value, resolved when loaded
    Neg,
    BitNot,
    Not,
    Add,
    Sub,
    Mul,
    Div,
    Mod,
    Shl,
    Shr,
    BitAnd,
    BitOr,
    BitXor,
    Eq,
    Ne,
    Lt,
    Le,
    Gt,
    Ge,
    And,
    Or,
    Ternary, // kids[0] ? kids[1] : kids[2]
};

struct KsyExpr {
    KsyOp Op = KsyOp::Int;
    std::int64_t Int = 0; // literal; for EnumValue the value
    double Float = 0;
    std::string Text; // a string literal, or the name of Name, Member, Call, Cast, EnumValue
    int NameId = -1;  // Text's number in the description's names
    const KsyEnum* Enum = nullptr;
    std::vector<std::unique_ptr<KsyExpr>> Kids;
    int Height = 1; // of the tree below it: what walking it recursively takes
};
using KsyExprPtr = std::unique_ptr<KsyExpr>;

// What the description calls things, numbered once: the interpreter looks a
// member up by its number. The first numbers are the names every object
// and value knows.
class KsyNames {
public:
    // The names every object and value knows, with their numbers.
#define KSY_BUILTIN_NAMES(X)                                                                                           \
    X(Root, "_root")                                                                                                   \
    X(Parent, "_parent")                                                                                               \
    X(Io, "_io")                                                                                                       \
    X(Underscore, "_")                                                                                                 \
    X(IndexName, "_index")                                                                                             \
    X(Size, "size")                                                                                                    \
    X(Pos, "pos")                                                                                                      \
    X(Eof, "eof")                                                                                                      \
    X(Length, "length")                                                                                                \
    X(ToI, "to_i")                                                                                                     \
    X(ToS, "to_s")                                                                                                     \
    X(First, "first")                                                                                                  \
    X(Last, "last")                                                                                                    \
    X(Min, "min")                                                                                                      \
    X(Max, "max")                                                                                                      \
    X(Reverse, "reverse")                                                                                              \
    X(Substring, "substring")
#define KSY_BUILTIN_ID(id, text) id,
    enum Builtin : int { KSY_BUILTIN_NAMES(KSY_BUILTIN_ID) BuiltinCount };
#undef KSY_BUILTIN_ID
    KsyNames();
    int Id(std::string_view name);
    int Find(std::string_view name) const;
    const std::string& Name(int id) const { return names_[static_cast<std::size_t>(id)]; }
    int Count() const { return static_cast<int>(names_.size()); }

private:
    std::vector<std::string> names_;
    std::unordered_map<std::string, int> ids_;
};

// A description that cannot be used, or an expression that cannot be read.
struct KsyLoadError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// How tall an expression's tree may be: a long chain of operators, members
// or indices counts as deep as nested brackets.
constexpr int MaxKsyExpressionHeight = 128;

// Parses text as an expression; names are numbered in names. Throws
// KsyLoadError naming what it could not read, or a tree taller than
// MaxKsyExpressionHeight. Enum references are left for
// the loader to resolve (Op EnumValue, Text the whole "a::b::c").
KsyExprPtr ParseKsyExpression(std::string_view text, KsyNames& names);
