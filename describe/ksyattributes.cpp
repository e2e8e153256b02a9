// SPDX-License-Identifier: GPL-3.0-or-later
// An attribute of a description as the loader reads it: its type (a
// primitive, a user type, a switch), size, repetition, contents, process,
// checks, and its place in its type's objects.
#include "ksyloading.h"
#include "ksyprocess.h"

#include <yaml-cpp/yaml.h>

#include <algorithm>
#include <cctype>
#include <charconv>

KsyAttribute KsyLoader::Attribute(const KsyType& type, const YAML::Node& node, bool instance)
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
    if (const YAML::Node r = node["repeat"])
        Repetition(a, type, node, r);
    if (node["if"])
        a.If = Expr(node["if"], type);
    if (const YAML::Node p = node["process"])
        a.Process = Process(type, p);
    if (const YAML::Node e = node["enum"])
        a.Enum = FindEnum(type, e.Scalar(), e);
    if (const YAML::Node v = node["valid"])
        a.Valid = Valid(type, v);
    Settle(a, node, instance);
    return a;
}

// repeat: eos, expr with its repeat-expr, until with its repeat-until.
void KsyLoader::Repetition(KsyAttribute& a, const KsyType& type, const YAML::Node& node, const YAML::Node& r)
{
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

// What the attribute's keys make of it together: a boolean with an enum is a
// bit field, a plain integer is read the fast way; an attribute that reads
// nothing, a string without an end and an instance without a value fail.
void KsyLoader::Settle(KsyAttribute& a, const YAML::Node& node, bool instance)
{
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
}

bool KsyLoader::Flag(const YAML::Node& node, const char* key, bool otherwise)
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

std::string KsyLoader::Contents(const YAML::Node& node)
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

KsyProcess KsyLoader::Process(const KsyType& type, const YAML::Node& node)
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
std::vector<KsyExprPtr> KsyLoader::Arguments(const YAML::Node& node, const std::string& arguments, const KsyType& type)
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

KsyValid KsyLoader::Valid(const KsyType& type, const YAML::Node& node)
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

KsyDataType KsyLoader::DataType(const KsyType& type, const YAML::Node& node, const std::string& encoding)
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

bool KsyLoader::KnownEncoding(const std::string& e)
{
    for (const char* known : {"ASCII", "UTF-8", "UTF8", "ISO-8859-1", "ISO8859-1", "LATIN1", "LATIN-1", "WINDOWS-1252",
             "CP1252", "UTF-16LE", "UTF-16BE", "US-ASCII"})
        if (e == known)
            return true;
    return false;
}

// u1..u8, s1..s8, f4, f8 with be or le, b1..b64 with be or le.
bool KsyLoader::Primitive(const KsyType& type, const std::string& name, KsyDataType& t, const YAML::Node& node)
{
    if (name.size() < 2 || !std::isdigit(static_cast<unsigned char>(name[1])))
        return false;
    const char first = name[0];
    if (first != 'u' && first != 's' && first != 'f' && first != 'b')
        return false;
    std::size_t k = 1;
    int width = 0;
    constexpr int Widest = 1 << 30; // more digits stay there: no frame holds as many bits
    for (; k < name.size() && std::isdigit(static_cast<unsigned char>(name[k])); ++k)
        width = width >= Widest / 10 ? Widest : width * 10 + (name[k] - '0');
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
        Fail(node, "type " + name + " needs an endian: write " + name + "be or " + name + "le, or give meta/endian");
    t.BigEndian = suffix.empty() ? type.BigEndian : suffix == "be";
    return true;
}
