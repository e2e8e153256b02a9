// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the loader of descriptions shares between its files.

#include "ksydescription.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace YAML {
class Node;
}

// Throws KsyLoadError "FILE:LINE: why" at node's line.
[[noreturn]] void KsyFail(const KsyDescription& d, const YAML::Node& node, const std::string& why);
// Counts n more parts of the description (types, attributes, enum values,
// cases, list items, counting what its aliases repeat) in parts; throws
// KsyLoadError at node beyond MaxKsyParts.
void KsyCountParts(const KsyDescription& d, const YAML::Node& node, std::int64_t& parts, std::size_t n = 1);
// The ":field NAME: path" lines of the top-level doc of top (in text, the
// description's YAML) into d.Fields, after its types are loaded. A path
// that can never give a value leaves its field absent, with a warning in
// d.Warnings.
void ReadKsyFields(KsyDescription& d, const YAML::Node& top, std::string_view text, std::int64_t& parts);

// Loads a description's YAML into d: pass one declares the types and enums
// (ksydescription.cpp), pass two fills in their attributes, instances and
// parameters (ksyattributes.cpp), then the top-level doc's fields
// (ksyfields.cpp).
class KsyLoader {
public:
    explicit KsyLoader(KsyDescription& d)
        : d_(d)
    {
    }
    void Load(const std::string& text);

private:
    void Count(const YAML::Node& node, std::size_t parts = 1) { KsyCountParts(d_, node, parts_, parts); }
    [[noreturn]] void Fail(const YAML::Node& node, const std::string& why) const { KsyFail(d_, node, why); }
    static std::string Upper(std::string text);

    // Each type's members by name number, looked up once per member read:
    // a table from its first name to its last, where they lie close enough
    // for the table to stay within a few entries a member.
    static void Tabulate(KsyType& type);
    // Pass one: the types and enums, so that any attribute can name any of them.
    void Declare(KsyType& type, const YAML::Node& node, int depth);
    std::unique_ptr<KsyEnum> ReadEnum(const std::string& name, const YAML::Node& node);
    std::int64_t IntegerOf(const YAML::Node& node);
    // Pass two: attributes, instances and parameters.
    void Fill(KsyType& type, const YAML::Node& node);
    // The type that parts name (a::b: type b in type a) as seen from scope,
    // or none.
    static const KsyType* Nested(const KsyType* scope, const std::vector<std::string>& parts);
    // Names are looked up from the type they stand in outward, as Kaitai does.
    const KsyType* FindType(const KsyType& from, const std::string& name, const YAML::Node& node);
    const KsyEnum* FindEnumOrNull(const KsyType& from, const std::string& name);
    const KsyEnum* FindEnum(const KsyType& from, const std::string& name, const YAML::Node& node);
    KsyExprPtr Parse(const YAML::Node& node, const KsyType* type);
    KsyExprPtr ExprText(const YAML::Node& node, const std::string& text, const KsyType* type);
    void ResolveEnums(KsyExpr& e, const KsyType& type, const YAML::Node& node);
    KsyExprPtr Expr(const YAML::Node& node, const KsyType& type) { return Parse(node, &type); }

    KsyAttribute Attribute(const KsyType& type, const YAML::Node& node, bool instance);
    void Repetition(KsyAttribute& a, const KsyType& type, const YAML::Node& node, const YAML::Node& repeat);
    void Settle(KsyAttribute& a, const YAML::Node& node, bool instance);
    bool Flag(const YAML::Node& node, const char* key, bool otherwise);
    std::string Contents(const YAML::Node& node);
    KsyProcess Process(const KsyType& type, const YAML::Node& node);
    // The expressions of an argument list, split at its top-level commas.
    std::vector<KsyExprPtr> Arguments(const YAML::Node& node, const std::string& arguments, const KsyType& type);
    KsyValid Valid(const KsyType& type, const YAML::Node& node);
    KsyDataType DataType(const KsyType& type, const YAML::Node& node, const std::string& encoding);
    static bool KnownEncoding(const std::string& e);
    // u1..u8, s1..s8, f4, f8 with be or le, b1..b64 with be or le.
    bool Primitive(const KsyType& type, const std::string& name, KsyDataType& t, const YAML::Node& node);

    KsyDescription& d_;
    std::string_view text_;
    std::int64_t parts_ = 0;
};
