// SPDX-License-Identifier: GPL-3.0-or-later
#include "ksydescription.h"

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

std::string Upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::vector<std::string> SplitPath(const std::string& path)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t k; (k = path.find("::", start)) != std::string::npos; start = k + 2)
        parts.push_back(path.substr(start, k - start));
    parts.push_back(path.substr(start));
    return parts;
}

class Loader {
public:
    Loader(KsyDescription& d)
        : d_(d)
    {
    }

    void Load(const std::string& text)
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
            ReadFields(top);
        } catch (const YAML::Exception& e) {
            throw KsyLoadError(d_.File + (e.mark.is_null() ? std::string() : ":" + std::to_string(e.mark.line + 1))
                + ": a part of the description is not of the shape its place needs (" + e.msg + ")");
        }
    }

private:
    // Where a field's path leads, as far as the description tells without
    // a frame: the attribute at its end (the first one, where switch cases
    // hold several), and whether it can never give a value.
    struct Reach {
        const KsyAttribute* Last = nullptr;
        std::string Never; // why, where the path names what no frame can hold
    };

    // Walks the types a value may have along the path: user types, every
    // case of a switch, and nothing known past a value instance or a
    // parameter, where any member may follow.
    Reach ReachOf(const std::vector<KsyField::Step>& chain) const
    {
        Reach reach;
        std::vector<const KsyType*> types{d_.Root.get()};
        bool known = true;      // the value at hand is one of types, or no object at all
        bool indexable = false; // the value at hand is a list or bytes
        for (const KsyField::Step& step : chain) {
            if (step.NameId < 0) {
                if (known && !indexable)
                    return {reach.Last, "an index into a value that is no list"};
                indexable = false;
                continue;
            }
            if (step.NameId == KsyNames::Root) {
                types = {d_.Root.get()};
                known = true;
                indexable = false;
                continue;
            }
            if (step.NameId == KsyNames::Parent || !known) {
                known = false;
                continue;
            }
            std::vector<const KsyType*> next;
            const KsyAttribute* found = nullptr;
            bool nextKnown = true;
            bool list = false;
            for (const KsyType* type : types) {
                const int slot = type->SlotOf(step.NameId);
                const auto seq = static_cast<int>(type->Seq.size());
                const auto attributes = seq + static_cast<int>(type->Instances.size());
                if (slot < 0)
                    continue;
                if (slot >= attributes) { // a parameter: of any type
                    nextKnown = false;
                    continue;
                }
                const KsyAttribute& a = slot < seq ? type->Seq[static_cast<std::size_t>(slot)]
                                                   : type->Instances[static_cast<std::size_t>(slot - seq)];
                found = found ? found : &a;
                list = list || a.Repeats != KsyAttribute::Repeat::None || !a.HasType
                    || a.Type.What == KsyDataType::Kind::Bytes;
                if (a.Value) {
                    nextKnown = false;
                } else if (a.HasType && a.Type.What == KsyDataType::Kind::User) {
                    next.push_back(a.Type.User);
                } else if (a.HasType && a.Type.What == KsyDataType::Kind::Switch) {
                    list = true; // a case of no type reads bytes
                    for (const KsyCase& c : a.Type.Cases)
                        if (c.Type.What == KsyDataType::Kind::User)
                            next.push_back(c.Type.User);
                }
            }
            if (!found && nextKnown)
                return {reach.Last, "no attribute " + d_.Names.Name(step.NameId) + " where the path names it"};
            reach.Last = found;
            // A type reached by several cases is walked once: repeated
            // switches would otherwise multiply the candidates at every step.
            std::sort(next.begin(), next.end());
            next.erase(std::unique(next.begin(), next.end()), next.end());
            types = std::move(next);
            known = nextKnown;
            indexable = list || !nextKnown;
            if (step.Index >= 0 && known && !indexable)
                return {reach.Last, "an index into " + d_.Names.Name(step.NameId) + ", which is no list"};
            if (step.Index >= 0)
                indexable = false;
        }
        return reach;
    }

    static std::string UnitOf(const KsyAttribute* a)
    {
        if (!a)
            return {};
        const std::size_t close = a->Doc.rfind(']');
        const std::size_t open = close == std::string::npos ? std::string::npos : a->Doc.rfind('[', close);
        if (open == std::string::npos || close - open < 2 || close - open > 16)
            return {};
        return a->Doc.substr(open + 1, close - open - 1);
    }

    static std::string FirstLineOf(const KsyAttribute* a)
    {
        if (!a)
            return {};
        const std::size_t start = a->Doc.find_first_not_of(" \t\r\n");
        if (start == std::string::npos)
            return {};
        const std::size_t end = a->Doc.find_first_of("\r\n", start);
        const std::string line = a->Doc.substr(start, end == std::string::npos ? std::string::npos : end - start);
        return line.substr(0, line.find_last_not_of(" \t") + 1);
    }

    // Each type's members by name number, looked up once per member read:
    // a table from its first name to its last, where they lie close enough
    // for the table to stay within a few entries a member.
    static void Tabulate(KsyType& type)
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
        for (auto& [name, inner] : type.Types)
            Tabulate(*inner);
    }

    // Counts the parts a description declares, aliases repeating them
    // counted again, up to MaxKsyParts.
    void Count(const YAML::Node& node, std::size_t parts = 1)
    {
        parts_ += static_cast<std::int64_t>(parts);
        if (parts_ > MaxKsyParts)
            Fail(node,
                "the description is too large: more than " + std::to_string(MaxKsyParts)
                    + " types, attributes, enum values, cases and list items, counting what its aliases repeat");
    }

    [[noreturn]] void Fail(const YAML::Node& node, const std::string& why) const
    {
        const int line = node.Mark().is_null() ? 0 : node.Mark().line + 1;
        throw KsyLoadError(d_.File + ":" + std::to_string(line) + ": " + why);
    }

    // Pass one: the types and enums, so that any attribute can name any of them.
    void Declare(KsyType& type, const YAML::Node& node, int depth)
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
                Declare(*inner, t.second, depth + 1);
                type.Types[inner->Name] = std::move(inner);
            }
        }
    }

    std::unique_ptr<KsyEnum> ReadEnum(const std::string& name, const YAML::Node& node)
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

    std::int64_t IntegerOf(const YAML::Node& node)
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
    void Fill(KsyType& type, const YAML::Node& node)
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

    KsyAttribute Attribute(const KsyType& type, const YAML::Node& node, bool instance)
    {
        if (!node.IsMap())
            Fail(node, "an attribute is a map");
        Count(node);
        KsyAttribute a;
        a.Line = node.Mark().line + 1;
        if (node["doc"] && node["doc"].IsScalar())
            a.Doc = node["doc"].Scalar();
        if (node["id"])
            a.Id = node["id"].Scalar();
        if (instance) {
            if (node["value"])
                a.Value = Expr(node["value"], type);
            if (node["pos"])
                a.Pos = Expr(node["pos"], type);
            if (node["io"])
                a.Io = Expr(node["io"], type);
        }
        std::string encoding = type.Encoding;
        if (node["encoding"])
            encoding = Upper(node["encoding"].Scalar());
        if (const YAML::Node t = node["type"]) {
            a.HasType = true;
            a.Type = DataType(type, t, encoding);
        }
        if (node["size"])
            a.Size = Expr(node["size"], type);
        a.SizeEos = Flag(node, "size-eos", false);
        if (node["terminator"])
            a.Terminator = static_cast<int>(IntegerOf(node["terminator"]) & 0xFF);
        a.Include = Flag(node, "include", false);
        a.Consume = Flag(node, "consume", true);
        a.EosError = Flag(node, "eos-error", true);
        if (node["pad-right"])
            a.PadRight = static_cast<int>(IntegerOf(node["pad-right"]) & 0xFF);
        if (const YAML::Node c = node["contents"])
            a.Contents = Contents(c);
        if (const YAML::Node r = node["repeat"]) {
            const std::string& how = r.Scalar();
            if (how == "eos") {
                a.Repeats = KsyAttribute::Repeat::Eos;
            } else if (how == "expr") {
                a.Repeats = KsyAttribute::Repeat::Expr;
                if (!node["repeat-expr"])
                    Fail(r, "repeat: expr needs repeat-expr");
                a.RepeatExpr = Expr(node["repeat-expr"], type);
            } else if (how == "until") {
                a.Repeats = KsyAttribute::Repeat::Until;
                if (!node["repeat-until"])
                    Fail(r, "repeat: until needs repeat-until");
                a.RepeatExpr = Expr(node["repeat-until"], type);
            } else {
                Fail(r, "repeat is eos, expr or until, not \"" + how + "\"");
            }
        }
        if (node["if"])
            a.If = Expr(node["if"], type);
        if (const YAML::Node p = node["process"])
            a.Process = Process(type, p);
        if (const YAML::Node e = node["enum"])
            a.Enum = FindEnum(type, e.Scalar(), e);
        if (const YAML::Node v = node["valid"])
            a.Valid = Valid(type, v);
        if (a.HasType && a.Type.What == KsyDataType::Kind::Bool && a.Enum)
            a.Type.What = KsyDataType::Kind::Bits;
        if (a.HasType && a.Type.What == KsyDataType::Kind::Str && !a.Type.Terminated && !a.Size && !a.SizeEos
            && !a.Terminator)
            Fail(node, "a str needs size, size-eos or terminator");
        if (!instance && !a.HasType && !a.Size && !a.SizeEos && !a.Terminator && !a.Contents)
            Fail(node, "attribute " + a.Id + " reads nothing: give it a type, size, size-eos, terminator or contents");
        a.PlainInteger = !instance && a.HasType && a.Type.What == KsyDataType::Kind::Int && !a.If
            && a.Repeats == KsyAttribute::Repeat::None && !a.Valid.Any() && !a.Contents
            && a.Process.What == KsyProcess::Kind::None && !a.Size && !a.SizeEos && !a.Terminator;
        if (instance && !a.Value && !a.HasType && !a.Size && !a.SizeEos && !a.Terminator && !a.Contents)
            Fail(node, "instance " + a.Id + " has neither value nor what to read");
        return a;
    }

    bool Flag(const YAML::Node& node, const char* key, bool otherwise)
    {
        const YAML::Node f = node[key];
        if (!f)
            return otherwise;
        if (f.Scalar() == "true")
            return true;
        if (f.Scalar() == "false")
            return false;
        Fail(f, std::string(key) + " is true or false");
    }

    std::string Contents(const YAML::Node& node)
    {
        std::string bytes;
        auto add = [&](const YAML::Node& item) {
            const std::string& text = item.Scalar();
            if (!text.empty() && (std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '-'))
                bytes += static_cast<char>(IntegerOf(item) & 0xFF);
            else
                bytes += text;
        };
        if (node.IsSequence()) {
            Count(node, node.size());
            for (const auto& item : node)
                add(item);
        } else if (node.IsScalar())
            bytes = node.Scalar();
        else
            Fail(node, "contents is a string or a list of bytes");
        return bytes;
    }

    KsyProcess Process(const KsyType& type, const YAML::Node& node)
    {
        KsyProcess p;
        p.Name = node.Scalar();
        const std::size_t open = p.Name.find('(');
        const std::string name = p.Name.substr(0, open);
        const bool closed = open != std::string::npos && p.Name.back() == ')';
        const std::string arguments = closed ? p.Name.substr(open + 1, p.Name.size() - open - 2) : std::string();
        constexpr std::string_view SatnogsPrefix = "satnogsdecoders.process.";
        if (name.starts_with(SatnogsPrefix) && (closed || open == std::string::npos)) {
            p.Satnogs = FindSatnogsProcess(std::string_view(name).substr(SatnogsPrefix.size()));
            if (p.Satnogs) {
                p.What = KsyProcess::Kind::Satnogs;
                p.Arguments = Arguments(node, arguments, type);
                if (p.Arguments.size() != static_cast<std::size_t>(p.Satnogs->Arguments))
                    Fail(node, "process " + name + " takes " + std::to_string(p.Satnogs->Arguments) + " arguments");
                return p;
            }
        }
        const bool known = name == "xor" || name == "rol" || name == "ror";
        if (!known || !closed) {
            p.What = KsyProcess::Kind::Unsupported;
            if (std::find(d_.UnsupportedProcesses.begin(), d_.UnsupportedProcesses.end(), name)
                == d_.UnsupportedProcesses.end())
                d_.UnsupportedProcesses.push_back(name);
            return p;
        }
        p.What = name == "xor" ? KsyProcess::Kind::Xor : name == "rol" ? KsyProcess::Kind::Rol : KsyProcess::Kind::Ror;
        p.Argument = ExprText(node, arguments, &type);
        return p;
    }

    // The expressions of an argument list, split at its top-level commas.
    std::vector<KsyExprPtr> Arguments(const YAML::Node& node, const std::string& arguments, const KsyType& type)
    {
        std::vector<KsyExprPtr> list;
        if (arguments.find_first_not_of(" \t") == std::string::npos)
            return list;
        int depth = 0;
        std::size_t start = 0;
        for (std::size_t k = 0; k <= arguments.size(); ++k) {
            const char c = k < arguments.size() ? arguments[k] : ',';
            if (c == '(' || c == '[')
                ++depth;
            else if (c == ')' || c == ']')
                --depth;
            else if (c == ',' && depth == 0) {
                list.push_back(ExprText(node, arguments.substr(start, k - start), &type));
                start = k + 1;
            }
        }
        return list;
    }

    KsyValid Valid(const KsyType& type, const YAML::Node& node)
    {
        KsyValid v;
        if (!node.IsMap()) {
            v.Eq = Expr(node, type);
            return v;
        }
        if (node["eq"])
            v.Eq = Expr(node["eq"], type);
        if (node["min"])
            v.Min = Expr(node["min"], type);
        if (node["max"])
            v.Max = Expr(node["max"], type);
        if (node["expr"])
            v.Expr = Expr(node["expr"], type);
        if (const YAML::Node any = node["any-of"]) {
            Count(any, any.size());
            for (const auto& item : any)
                v.AnyOf.push_back(Expr(item, type));
        }
        return v;
    }

    KsyDataType DataType(const KsyType& type, const YAML::Node& node, const std::string& encoding)
    {
        KsyDataType t;
        if (node.IsMap()) {
            t.What = KsyDataType::Kind::Switch;
            if (!node["switch-on"] || !node["cases"] || !node["cases"].IsMap())
                Fail(node, "a type map needs switch-on and cases");
            t.SwitchOn = Expr(node["switch-on"], type);
            Count(node["cases"], node["cases"].size());
            for (const auto& c : node["cases"]) {
                if (c.first.Scalar() == "_")
                    t.Default = static_cast<int>(t.Cases.size());
                KsyExprPtr key = c.first.Scalar() == "_" ? nullptr : Expr(c.first, type);
                t.Cases.push_back(KsyCase{std::move(key), DataType(type, c.second, encoding)});
            }
            return t;
        }
        if (!node.IsScalar())
            Fail(node, "a type is a name or a switch");
        std::string name = node.Scalar();
        t.Encoding = encoding;
        if (name == "str" || name == "strz") {
            t.What = KsyDataType::Kind::Str;
            t.Terminated = name == "strz";
            if (encoding.empty())
                Fail(node, "a string without encoding (give encoding, or meta/encoding)");
            if (!KnownEncoding(encoding))
                Fail(node, "encoding " + encoding + " is not supported (ASCII, UTF-8, ISO-8859-1, UTF-16LE/BE are)");
            return t;
        }
        if (name == "bytes")
            return t;
        if (Primitive(type, name, t, node))
            return t;
        // A user type, perhaps with arguments: name(a, b).
        std::string arguments;
        if (const std::size_t open = name.find('('); open != std::string::npos) {
            if (name.back() != ')')
                Fail(node, "type \"" + name + "\": arguments end with )");
            arguments = name.substr(open + 1, name.size() - open - 2);
            name = name.substr(0, open);
        }
        t.What = KsyDataType::Kind::User;
        t.User = FindType(type, name, node);
        if (!arguments.empty())
            t.Arguments = Arguments(node, arguments, type);
        if (t.Arguments.size() != t.User->Params.size())
            Fail(node, "type " + name + " takes " + std::to_string(t.User->Params.size()) + " arguments");
        return t;
    }

    static bool KnownEncoding(const std::string& e)
    {
        for (const char* known : {"ASCII", "UTF-8", "UTF8", "ISO-8859-1", "ISO8859-1", "LATIN1", "LATIN-1",
                 "WINDOWS-1252", "CP1252", "UTF-16LE", "UTF-16BE", "US-ASCII"})
            if (e == known)
                return true;
        return false;
    }

    // u1..u8, s1..s8, f4, f8 with be or le, b1..b64 with be or le.
    bool Primitive(const KsyType& type, const std::string& name, KsyDataType& t, const YAML::Node& node)
    {
        if (name.size() < 2 || !std::isdigit(static_cast<unsigned char>(name[1])))
            return false;
        const char first = name[0];
        if (first != 'u' && first != 's' && first != 'f' && first != 'b')
            return false;
        std::size_t k = 1;
        int width = 0;
        while (k < name.size() && std::isdigit(static_cast<unsigned char>(name[k])))
            width = width * 10 + (name[k++] - '0');
        const std::string suffix = name.substr(k);
        if (!suffix.empty() && suffix != "be" && suffix != "le")
            return false;
        if (first == 'b') {
            // Wider than 64 bits, a bit field is read in place and kept as
            // the bytes of its bits.
            if (width < 1)
                Fail(node, "a bit-sized integer has one bit at least");
            t.What = width == 1 ? KsyDataType::Kind::Bool : KsyDataType::Kind::Bits;
            t.Width = width;
            t.BigEndian = suffix.empty() ? type.BitsBigEndian : suffix == "be";
            return true;
        }
        const bool valid
            = first == 'f' ? (width == 4 || width == 8) : (width == 1 || width == 2 || width == 4 || width == 8);
        if (!valid)
            Fail(node, "no such type: " + name);
        t.What = first == 'f' ? KsyDataType::Kind::Float : KsyDataType::Kind::Int;
        t.Width = width;
        t.Signed = first == 's';
        if (suffix.empty() && width > 1 && !type.EndianKnown)
            Fail(
                node, "type " + name + " needs an endian: write " + name + "be or " + name + "le, or give meta/endian");
        t.BigEndian = suffix.empty() ? type.BigEndian : suffix == "be";
        return true;
    }

    // The type that parts name (a::b: type b in type a) as seen from scope,
    // or none.
    static const KsyType* Nested(const KsyType* scope, const std::vector<std::string>& parts)
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
    const KsyType* FindType(const KsyType& from, const std::string& name, const YAML::Node& node)
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

    const KsyEnum* FindEnumOrNull(const KsyType& from, const std::string& name)
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

    const KsyEnum* FindEnum(const KsyType& from, const std::string& name, const YAML::Node& node)
    {
        if (const KsyEnum* e = FindEnumOrNull(from, name))
            return e;
        Fail(node, "no enum named " + name);
    }

    KsyExprPtr Parse(const YAML::Node& node, const KsyType* type)
    {
        if (!node.IsScalar())
            Fail(node, "an expression expected");
        return ExprText(node, node.Scalar(), type);
    }
    KsyExprPtr Expr(const YAML::Node& node, const KsyType& type) { return Parse(node, &type); }

    KsyExprPtr ExprText(const YAML::Node& node, const std::string& text, const KsyType* type)
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

    void ResolveEnums(KsyExpr& e, const KsyType& type, const YAML::Node& node)
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

    // Where a path runs over a list's items: a step of its own while it is
    // read, then Chain to the list and Each from every item.
    static constexpr int EachItem = -2;

    static void SplitAtEachItem(KsyField& field)
    {
        const auto at = std::find_if(
            field.Chain.begin(), field.Chain.end(), [](const KsyField::Step& s) { return s.NameId == EachItem; });
        if (at == field.Chain.end())
            return;
        field.Expands = true;
        field.Each.assign(at + 1, field.Chain.end());
        field.Chain.erase(at, field.Chain.end());
    }

    // "text" in quotes (built by appending: GCC 12 warns wrongly of a
    // literal added to a string).
    static std::string Quoted(std::string_view text)
    {
        std::string quoted(1, '"');
        quoted.append(text).push_back('"');
        return quoted;
    }

    // The steps of a field's path, or why it is no path: names joined by
    // dots, where a number, or [N] after a name, indexes what comes before.
    std::string ParsePath(std::string_view path, std::vector<KsyField::Step>& chain)
    {
        const auto isName = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
        const auto index = [&](std::string_view digits) {
            std::int64_t n = -1;
            const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
            if (error != std::errc() || end != digits.data() + digits.size())
                return false;
            if (!chain.empty() && chain.back().Index < 0 && chain.back().NameId != EachItem)
                chain.back().Index = n;
            else
                chain.push_back({-1, n});
            return true;
        };
        std::size_t at = 0;
        for (;;) {
            const std::size_t dot = path.find('.', at);
            const std::string_view segment = path.substr(at, dot == std::string_view::npos ? dot : dot - at);
            if (segment.empty())
                return "an empty step in the path (a dot with no name after it)";
            if (segment == "___") {
                if (std::any_of(
                        chain.begin(), chain.end(), [](const KsyField::Step& s) { return s.NameId == EachItem; }))
                    return "it runs over the items of two lists (___ twice)";
                if (chain.empty())
                    return "___ has no list before it";
                chain.push_back({EachItem, -1});
                at = dot == std::string_view::npos ? path.size() : dot + 1;
                if (dot == std::string_view::npos)
                    return {};
                continue;
            }
            if (std::all_of(segment.begin(), segment.end(), [](char c) { return c >= '0' && c <= '9'; })) {
                if (chain.empty() || !index(segment))
                    return "the index " + std::string(segment) + " has nothing to index";
            } else {
                std::size_t end = 0;
                while (end < segment.size() && isName(segment[end]))
                    ++end;
                if (end == 0 || std::isdigit(static_cast<unsigned char>(segment[0])))
                    return Quoted(segment).append(" is no attribute name");
                chain.push_back({d_.Names.Id(segment.substr(0, end)), -1});
                while (end < segment.size()) {
                    const std::size_t close = segment.find(']', end);
                    if (segment[end] != '[' || close == std::string_view::npos
                        || !index(segment.substr(end + 1, close - end - 1)))
                        return Quoted(segment).append(" is no attribute name with indices");
                    end = close + 1;
                }
            }
            if (dot == std::string_view::npos)
                return {};
            at = dot + 1;
        }
    }

    // ":field NAME: path" lines of the top-level doc. A path that can never
    // give a value leaves its field absent, with a warning.
    void ReadFields(const YAML::Node& top)
    {
        const YAML::Node doc = top["doc"];
        if (!doc || !doc.IsScalar())
            return;
        // A block's lines start on the line after "doc: |".
        const auto at = static_cast<std::size_t>(std::max(doc.Mark().pos, 0));
        const bool block = at < text_.size() && (text_[at] == '|' || text_[at] == '>');
        const int firstLine = doc.Mark().line + (block ? 2 : 1);
        std::istringstream lines(doc.Scalar());
        int lineNumber = firstLine - 1;
        for (std::string line; std::getline(lines, line);) {
            ++lineNumber;
            const std::size_t start = line.find(":field");
            if (start == std::string::npos || line.find_first_not_of(" \t") != start)
                continue;
            const std::size_t nameStart = line.find_first_not_of(" \t", start + 6);
            const std::size_t colon = line.find(':', nameStart == std::string::npos ? line.size() : nameStart);
            if (nameStart == std::string::npos || colon == std::string::npos)
                Fail(doc, "a :field line reads \":field NAME: path\": " + line);
            KsyField field;
            field.Line = lineNumber;
            field.Name = line.substr(nameStart, colon - nameStart);
            while (!field.Name.empty() && std::isspace(static_cast<unsigned char>(field.Name.back())))
                field.Name.pop_back();
            const std::size_t pathStart = line.find_first_not_of(" \t", colon + 1);
            const std::size_t pathEnd = line.find_last_not_of(" \t\r");
            if (field.Name.empty())
                Fail(doc, "a :field line reads \":field NAME: path\": " + line);
            if (pathStart != std::string::npos)
                field.Path = line.substr(pathStart, pathEnd - pathStart + 1);
            Count(doc);
            std::string why = field.Path.empty() ? "no path" : ParsePath(field.Path, field.Chain);
            if (why.empty()) {
                // Every item on the way as an index into its list.
                std::vector<KsyField::Step> reachable = field.Chain;
                for (KsyField::Step& step : reachable)
                    if (step.NameId == EachItem)
                        step = {-1, 0};
                const Reach reach = ReachOf(reachable);
                why = reach.Never;
                field.Unit = UnitOf(reach.Last);
                field.Doc = FirstLineOf(reach.Last);
                SplitAtEachItem(field);
            }
            if (!why.empty()) {
                field.Chain.clear();
                constexpr std::size_t Shown = 100; // a long path is named by its start
                const std::string path = field.Path.size() <= Shown ? field.Path : field.Path.substr(0, Shown) + "...";
                d_.Warnings.push_back(d_.File + ":" + std::to_string(field.Line) + ": field " + field.Name + " (" + path
                    + ") is always absent: " + why);
            }
            d_.Fields.push_back(std::move(field));
        }
    }

    KsyDescription& d_;
    std::string_view text_;
    std::int64_t parts_ = 0;
};

} // namespace

std::string KsyItemFieldName(const KsyField& f, std::size_t k)
{
    const std::string number = std::to_string(k);
    const std::size_t at = f.Name.find("___");
    if (at == std::string::npos)
        return f.Name + "_" + number;
    std::string name = f.Name.substr(0, at);
    name.append("_").append(number).append("_").append(f.Name, at + 3);
    return name;
}

std::unique_ptr<KsyDescription> LoadKsyDescriptionText(const std::string& text, const std::string& path)
{
    if (text.size() > MaxKsyFileBytes)
        throw KsyLoadError(path + ": the description is larger than " + std::to_string(MaxKsyFileBytes >> 20)
            + " MB; no description needs that much");
    auto d = std::make_unique<KsyDescription>();
    d->File = path;
    try {
        Loader(*d).Load(text);
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
