// SPDX-License-Identifier: GPL-3.0-or-later
#include "ksydescription.h"
#include "ksyloading.h"

#include "ksyprocess.h"

#include <yaml-cpp/depthguard.h>
#include <yaml-cpp/yaml.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

// Types nest at most this deep in a description.
constexpr int MaxTypeDepth = 64;

std::vector<std::string> SplitPath(const std::string& path)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t k; (k = path.find("::", start)) != std::string::npos; start = k + 2)
        parts.push_back(path.substr(start, k - start));
    parts.push_back(path.substr(start));
    return parts;
}

} // namespace

std::string KsyLoader::Upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

void KsyLoader::Load(const std::string& text)
{
    text_ = text;
    YAML::Node top;
    try {
        top = YAML::Load(text);
    } catch (const YAML::DeepRecursion& e) {
        throw KsyLoadError(d_.File + ":" + std::to_string(e.mark.line + 1)
            + ": the YAML nests too deep (lists and maps more than 2000 levels within each other)");
    } catch (const YAML::Exception& e) {
        throw KsyLoadError(d_.File + ":" + std::to_string(e.mark.line + 1) + ": " + e.msg);
    }
    if (!top.IsMap())
        Fail(top, "a description is a map with meta, seq, types");
    const YAML::Node meta = top["meta"];
    if (!meta || !meta.IsMap() || !meta["id"] || !meta["id"].IsScalar())
        Fail(top, "meta/id is missing: every description names itself");
    d_.Id = meta["id"].Scalar();
    if (meta["title"] && meta["title"].IsScalar())
        d_.Title = meta["title"].Scalar();
    if (meta["imports"])
        Fail(meta["imports"], "imports of other descriptions are not supported");
    d_.Root = std::make_unique<KsyType>();
    d_.Root->Name = d_.Id;
    // A node of another shape than the one looked for (a member of a
    // scalar, a scalar that is not a number) is the description's fault
    // too, wherever it is met.
    try {
        Declare(*d_.Root, top, 0);
        Fill(*d_.Root, top);
        Tabulate(*d_.Root);
        ReadKsyFields(d_, top, text_, parts_);
    } catch (const YAML::Exception& e) {
        throw KsyLoadError(d_.File + (e.mark.is_null() ? std::string() : ":" + std::to_string(e.mark.line + 1))
            + ": a part of the description is not of the shape its place needs (" + e.msg + ")");
    }
}

// Each type's members by name number, looked up once per member read:
// a table from its first name to its last, where they lie close enough
// for the table to stay within a few entries a member.
void KsyLoader::Tabulate(KsyType& type)
{
    int first = INT_MAX;
    int last = -1;
    for (const auto& [id, slot] : type.Members) {
        first = std::min(first, id);
        last = std::max(last, id);
    }
    const std::size_t room = 4 * type.Members.size() + 64;
    type.FirstNameInTable = last < 0 ? 0 : first;
    const auto span = static_cast<std::size_t>(last < 0 ? 0 : last - first + 1);
    type.TableComplete = span <= room;
    type.SlotOfName.assign(std::min(span, room), -1);
    for (const auto& [id, slot] : type.Members)
        if (const auto at = static_cast<std::size_t>(id - first); at < type.SlotOfName.size())
            type.SlotOfName[at] = slot;
    type.FirstInstance = type.Seq.size();
    type.EndOfInstances = type.Seq.size() + type.Instances.size();
    for (auto& [name, inner] : type.Types)
        Tabulate(*inner);
}

// Pass one: the types and enums, so that any attribute can name any of them.
void KsyLoader::Declare(KsyType& type, const YAML::Node& node, int depth)
{
    if (depth > MaxTypeDepth)
        Fail(node, "types nest too deep");
    Count(node);
    if (const YAML::Node meta = node["meta"]) {
        if (!meta.IsMap())
            Fail(meta, "meta is a map");
        if (const YAML::Node endian = meta["endian"]) {
            if (!endian.IsScalar() || (endian.Scalar() != "be" && endian.Scalar() != "le"))
                Fail(endian, "endian is be or le (a switch on the endian is not supported)");
            type.BigEndian = endian.Scalar() == "be";
            type.EndianKnown = true;
        }
        if (const YAML::Node bits = meta["bit-endian"]) {
            if (!bits.IsScalar() || (bits.Scalar() != "be" && bits.Scalar() != "le"))
                Fail(bits, "bit-endian is be or le");
            type.BitsBigEndian = bits.Scalar() == "be";
        }
        if (meta["encoding"] && meta["encoding"].IsScalar())
            type.Encoding = Upper(meta["encoding"].Scalar());
    }
    if (const YAML::Node params = node["params"]) {
        if (!params.IsSequence())
            Fail(params, "params is a list");
        Count(params, params.size());
        for (const auto& p : params) {
            if (!p.IsMap() || !p["id"] || !p["id"].IsScalar())
                Fail(p, "a parameter without id");
            type.Params.push_back(p["id"].Scalar());
        }
    }
    if (const YAML::Node enums = node["enums"]) {
        if (!enums.IsMap())
            Fail(enums, "enums is a map of enums");
        for (const auto& e : enums)
            type.Enums[e.first.Scalar()] = ReadEnum(e.first.Scalar(), e.second);
    }
    if (const YAML::Node types = node["types"]) {
        if (!types.IsMap())
            Fail(types, "types is a map of types");
        for (const auto& t : types) {
            auto inner = std::make_unique<KsyType>();
            inner->Name = t.first.Scalar();
            inner->Outer = &type;
            inner->BigEndian = type.BigEndian;
            inner->EndianKnown = type.EndianKnown;
            inner->BitsBigEndian = type.BitsBigEndian;
            inner->Encoding = type.Encoding;
            if (!t.second.IsMap())
                Fail(t.second, "type " + inner->Name + " is a map");
            if (type.Types.contains(inner->Name))
                Fail(t.first, "type " + inner->Name + " is declared twice");
            Declare(*inner, t.second, depth + 1);
            type.Types[inner->Name] = std::move(inner);
        }
    }
}

std::unique_ptr<KsyEnum> KsyLoader::ReadEnum(const std::string& name, const YAML::Node& node)
{
    if (!node.IsMap())
        Fail(node, "enum " + name + " is a map of values to names");
    auto e = std::make_unique<KsyEnum>();
    e->Name = name;
    Count(node, node.size());
    for (const auto& item : node) {
        const std::int64_t value = IntegerOf(item.first);
        const YAML::Node id = item.second.IsMap() ? item.second["id"] : item.second;
        if (!id || !id.IsScalar())
            Fail(item.second, "enum " + name + ": a value without a name");
        e->Names[value] = id.Scalar();
        e->Values[id.Scalar()] = value;
    }
    return e;
}

std::int64_t KsyLoader::IntegerOf(const YAML::Node& node)
{
    if (!node.IsScalar())
        Fail(node, "an integer expected");
    const KsyExprPtr e = Parse(node, nullptr);
    if (e->Op == KsyOp::Int)
        return e->Int;
    if (e->Op == KsyOp::Neg && e->Kids[0]->Op == KsyOp::Int)
        return -e->Kids[0]->Int;
    Fail(node, "an integer expected, not \"" + node.Scalar() + "\"");
}

// Pass two: attributes, instances and parameters.
void KsyLoader::Fill(KsyType& type, const YAML::Node& node)
{
    if (const YAML::Node seq = node["seq"]) {
        if (!seq.IsSequence())
            Fail(seq, "seq is a list of attributes");
        int unnamed = 0;
        for (const auto& a : seq) {
            KsyAttribute attribute = Attribute(type, a, false);
            if (attribute.Id.empty())
                attribute.Id = "_unnamed" + std::to_string(unnamed++);
            type.Seq.push_back(std::move(attribute));
        }
    }
    if (const YAML::Node instances = node["instances"]) {
        if (!instances.IsMap())
            Fail(instances, "instances is a map");
        for (const auto& i : instances) {
            KsyAttribute attribute = Attribute(type, i.second, true);
            attribute.Id = i.first.Scalar();
            type.Instances.push_back(std::move(attribute));
        }
    }
    int slot = 0;
    for (auto* list : {&type.Seq, &type.Instances})
        for (KsyAttribute& a : *list) {
            a.Slot = slot++;
            type.Members[d_.Names.Id(a.Id)] = a.Slot;
        }
    for (const std::string& p : type.Params)
        type.Members[d_.Names.Id(p)] = slot++;
    if (const YAML::Node types = node["types"])
        for (const auto& t : types)
            Fill(*type.Types[t.first.Scalar()], t.second);
}

// The type that parts name (a::b: type b in type a) as seen from scope,
// or none.
const KsyType* KsyLoader::Nested(const KsyType* scope, const std::vector<std::string>& parts)
{
    for (const std::string& part : parts) {
        const auto it = scope->Types.find(part);
        if (it == scope->Types.end())
            return nullptr;
        scope = it->second.get();
    }
    return scope;
}

// Names are looked up from the type they stand in outward, as Kaitai does.
const KsyType* KsyLoader::FindType(const KsyType& from, const std::string& name, const YAML::Node& node)
{
    const std::vector<std::string> parts = SplitPath(name);
    for (const KsyType* scope = &from; scope; scope = scope->Outer) {
        if (const KsyType* found = Nested(scope, parts))
            return found;
        if (parts.size() == 1 && scope->Name == name && !scope->Outer)
            return scope;
    }
    Fail(node, "no type named " + name);
}

const KsyEnum* KsyLoader::FindEnumOrNull(const KsyType& from, const std::string& name)
{
    std::vector<std::string> parts = SplitPath(name);
    const std::string last = parts.back();
    parts.pop_back();
    for (const KsyType* scope = &from; scope; scope = scope->Outer) {
        if (const KsyType* found = Nested(scope, parts)) {
            const auto it = found->Enums.find(last);
            if (it != found->Enums.end())
                return it->second.get();
        }
    }
    return nullptr;
}

const KsyEnum* KsyLoader::FindEnum(const KsyType& from, const std::string& name, const YAML::Node& node)
{
    if (const KsyEnum* e = FindEnumOrNull(from, name))
        return e;
    Fail(node, "no enum named " + name);
}

KsyExprPtr KsyLoader::Parse(const YAML::Node& node, const KsyType* type)
{
    if (!node.IsScalar())
        Fail(node, "an expression expected");
    return ExprText(node, node.Scalar(), type);
}

KsyExprPtr KsyLoader::ExprText(const YAML::Node& node, const std::string& text, const KsyType* type)
{
    KsyExprPtr e;
    try {
        e = ParseKsyExpression(text, d_.Names);
    } catch (const KsyLoadError& error) {
        Fail(node, error.what());
    }
    if (type)
        ResolveEnums(*e, *type, node);
    return e;
}

void KsyLoader::ResolveEnums(KsyExpr& e, const KsyType& type, const YAML::Node& node)
{
    if (e.Op == KsyOp::EnumValue) {
        const std::size_t cut = e.Text.rfind("::");
        const std::string enumName = e.Text.substr(0, cut);
        const std::string valueName = e.Text.substr(cut + 2);
        e.Enum = FindEnum(type, enumName, node);
        const auto it = e.Enum->Values.find(valueName);
        if (it == e.Enum->Values.end())
            Fail(node, "enum " + enumName + " has no value " + valueName);
        e.Int = it->second;
    }
    for (auto& kid : e.Kids)
        ResolveEnums(*kid, type, node);
}

void KsyFail(const KsyDescription& d, const YAML::Node& node, const std::string& why)
{
    const int line = node.Mark().is_null() ? 0 : node.Mark().line + 1;
    throw KsyLoadError(d.File + ":" + std::to_string(line) + ": " + why);
}

void KsyCountParts(const KsyDescription& d, const YAML::Node& node, std::int64_t& parts, std::size_t n)
{
    parts += static_cast<std::int64_t>(n);
    if (parts > MaxKsyParts)
        KsyFail(d, node,
            "the description is too large: more than " + std::to_string(MaxKsyParts)
                + " types, attributes, enum values, cases and list items, counting what its aliases repeat");
}

std::unique_ptr<KsyDescription> LoadKsyDescriptionText(const std::string& text, const std::string& path)
{
    if (text.size() > MaxKsyFileBytes)
        throw KsyLoadError(path + ": the description is larger than " + std::to_string(MaxKsyFileBytes >> 20)
            + " MB; no description needs that much");
    auto d = std::make_unique<KsyDescription>();
    d->File = path;
    try {
        KsyLoader(*d).Load(text);
    } catch (const std::bad_alloc&) {
        throw KsyLoadError(path + ": there is not the memory to load the description");
    }
    return d;
}

std::unique_ptr<KsyDescription> LoadKsyDescription(const std::string& path)
{
    // Only a regular file is read, and no more of it than a description
    // may hold: a device (/dev/zero) or a pipe would never end.
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (std::filesystem::is_directory(status))
        throw KsyLoadError(path + ": is a folder, not a description file");
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
        throw KsyLoadError(path + ": is not a regular file (a device, a pipe or a socket), so no description");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw KsyLoadError(path + ": cannot be read: " + std::strerror(errno));
    // The room its size asks for, and a byte more to see a file that grew.
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    std::string text(ec ? MaxKsyFileBytes + 1 : std::min<std::uintmax_t>(size, MaxKsyFileBytes) + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad())
        throw KsyLoadError(path + ": cannot be read");
    text.resize(static_cast<std::size_t>(in.gcount()));
    return LoadKsyDescriptionText(text, path);
}
