// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ksyexpression.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

// A Kaitai Struct description (.ksy) loaded: its types, their attributes and
// instances, its enums, and the fields its top-level doc lists. Loading checks
// everything that can be checked without a frame; the interpreter reads
// frames with it.

struct KsyEnum {
    std::string Name;
    std::map<std::int64_t, std::string> Names; // value -> name
    std::unordered_map<std::string, std::int64_t> Values;
};

struct KsyCase;

// What an attribute reads.
struct KsyDataType {
    enum class Kind : std::uint8_t { Bytes, Int, Float, Bits, Bool, Str, User, Switch };
    Kind What = Kind::Bytes;
    int Width = 0; // bytes of an integer or float, bits of a bit-sized integer
    bool Signed = false;
    bool BigEndian = false;  // of an integer or float, and of bit-sized integers' order
    bool Terminated = false; // strz: up to a zero byte
    std::string Encoding;    // of a string, upper-case
    const KsyType* User = nullptr;
    std::vector<KsyExprPtr> Arguments; // of a user type with parameters
    // A switch: the value it switches on and its cases; Default is -1 without "_".
    KsyExprPtr SwitchOn;
    std::vector<KsyCase> Cases;
    int Default = -1;

    bool IsBits() const { return What == Kind::Bits || What == Kind::Bool; }
};

// A case of a switch: the value it is taken for (none for "_") and its type.
struct KsyCase {
    KsyExprPtr Key;
    KsyDataType Type;
};

struct KsySatnogsProcess;

struct KsyProcess {
    enum class Kind : std::uint8_t { None, Xor, Rol, Ror, Satnogs, Unsupported };
    Kind What = Kind::None;
    KsyExprPtr Argument;                        // of xor, rol and ror
    const KsySatnogsProcess* Satnogs = nullptr; // satnogsdecoders.process.NAME
    std::vector<KsyExprPtr> Arguments;          // of a SatNOGS process
    std::string Name;                           // as written, for messages
};

struct KsyValid {
    KsyExprPtr Eq, Min, Max, Expr;
    std::vector<KsyExprPtr> AnyOf;
    bool Any() const { return Eq || Min || Max || Expr || !AnyOf.empty(); }
};

// An attribute of a type's seq, or an instance. A plan (ksyplanmaker.cpp)
// reads the properties it knows and refuses a description with any other:
// a new property is refused there, or placed, before it is used.
struct KsyAttribute {
    std::string Id;
    int Line = 0; // in the description, from 1
    std::string Doc;
    int Slot = 0; // where an object keeps its value
    bool HasType = false;
    KsyDataType Type;
    KsyExprPtr Size;
    bool SizeEos = false;
    std::optional<int> Terminator;
    bool Include = false, Consume = true, EosError = true;
    std::optional<int> PadRight;
    std::optional<std::string> Contents;
    enum class Repeat : std::uint8_t { None, Eos, Expr, Until };
    Repeat Repeats = Repeat::None;
    KsyExprPtr RepeatExpr; // the count, or the condition to stop
    KsyExprPtr If;
    KsyProcess Process;
    const KsyEnum* Enum = nullptr;
    KsyValid Valid;
    // An instance: a value, or a read at a position of a stream.
    KsyExprPtr Value, Pos, Io;
    // An integer read as it stands: no condition, repetition, check,
    // contents or process (the interpreter's fast path).
    bool PlainInteger = false;
};

struct KsyType {
    std::string Name;
    const KsyType* Outer = nullptr; // the type it is declared in
    std::vector<KsyAttribute> Seq;
    std::vector<KsyAttribute> Instances;
    std::vector<std::string> Params;      // their slots follow the instances'
    std::unordered_map<int, int> Members; // name id -> slot
    // The same as a table from name id FirstNameInTable on, -1 for names it
    // lacks; a type whose names lie far apart keeps only the first few
    // there (TableComplete off), so that the tables of a description grow
    // with its size, not with its types times its names.
    std::vector<int> SlotOfName;
    int FirstNameInTable = 0;
    bool TableComplete = true;
    // The instances' slots, from FirstInstance to EndOfInstances.
    std::size_t FirstInstance = 0;
    std::size_t EndOfInstances = 0;
    std::map<std::string, std::unique_ptr<KsyType>> Types;
    std::map<std::string, std::unique_ptr<KsyEnum>> Enums;
    bool BigEndian = false;
    bool EndianKnown = false;
    bool BitsBigEndian = true;
    std::string Encoding;
    int Slots() const { return static_cast<int>(Seq.size() + Instances.size() + Params.size()); }
    // The slot of the member with name id nameId, -1 when it has none.
    int SlotOf(int nameId) const
    {
        const auto at = static_cast<std::size_t>(nameId - FirstNameInTable);
        if (at < SlotOfName.size())
            return SlotOfName[at];
        if (TableComplete)
            return -1;
        const auto found = Members.find(nameId);
        return found == Members.end() ? -1 : found->second;
    }
};

// A field a record shows: its name and the path that gives its value, as
// the SatNOGS decoders read it: a dotted chain of attribute names from the
// top-level structure, where a number, or [N] after a name, indexes a list.
struct KsyField {
    std::string Name;
    std::string Path;
    int Line = 0; // of the description
    // The path's steps: a member by name number (_root and _parent too),
    // then an index into it where Index is not -1; a step of NameId -1
    // indexes the value at hand once more. Empty for a path that can never
    // give a value: the field is always absent, and the description's
    // Warnings say why.
    struct Step {
        int NameId;
        std::int64_t Index; // -1: none
    };
    std::vector<Step> Chain;
    // A path that runs over a list's items (list.___.b): Chain leads to the
    // list and Each goes on from every item; the field's value is the list
    // of what each item gives, and its name holds ___ where an item's number
    // goes (list___b gives list_0_b, list_1_b, ...).
    bool Expands = false;
    std::vector<Step> Each;
    // How many steps of Chain lead where the field before's lead: members by
    // name, each an object or nothing in a frame, so that reading the fields
    // in order, this one goes on from where those steps led.
    std::size_t SharedSteps = 0;
    // The unit the doc of the attribute at the path's end gives in square
    // brackets ("[mV]"), as SatNOGS descriptions write it; empty where none.
    std::string Unit;
    // The first line of that attribute's doc ("solar charger current [mA]").
    std::string Doc;
};

// How many first steps of path are member names that before takes too, in
// the same order, with a member name after them in path.
std::size_t SharedSteps(const std::vector<KsyField::Step>& before, const std::vector<KsyField::Step>& path);

// The name of item k of field f that runs over a list: "___" in its name
// becomes "_k_" ("_k" is added to a name without it).
std::string KsyItemFieldName(const KsyField& f, std::size_t k);

struct KsyDescription {
    std::string Id;    // meta/id
    std::string Title; // meta/title, or empty
    std::string File;
    KsyNames Names;
    std::unique_ptr<KsyType> Root;
    std::vector<KsyField> Fields;
    // What a user should know of a description that loads: "FILE:LINE: field
    // NAME: why it is always absent".
    std::vector<std::string> Warnings;
    // The processes the interpreter cannot run (named once each): frames
    // that need one do not parse.
    std::vector<std::string> UnsupportedProcesses;
};

// Bounds of a description, which is input like any capture: the size of its
// file, and the types, attributes, enum values, cases and list items it
// may declare, counting each time an alias repeats them.
constexpr std::size_t MaxKsyFileBytes = std::size_t{2} << 20;
constexpr std::int64_t MaxKsyParts = 50'000;

// Loads the description in the file at path, or in text (path naming it in
// messages). Throws KsyLoadError: "FILE:LINE: reason".
std::unique_ptr<KsyDescription> LoadKsyDescription(const std::string& path);
std::unique_ptr<KsyDescription> LoadKsyDescriptionText(const std::string& text, const std::string& path);
