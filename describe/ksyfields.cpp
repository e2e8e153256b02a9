// SPDX-License-Identifier: GPL-3.0-or-later
// The fields a record shows, as the SatNOGS decoders list them in a
// description's top-level doc: ":field NAME: path" lines, each path a dotted
// chain of attribute names, checked against the types when loaded.
#include "ksyloading.h"

#include <yaml-cpp/yaml.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <sstream>

namespace {

// Where a field's path leads, as far as the description tells without
// a frame: the attribute at its end (the first one, where switch cases
// hold several), and whether it can never give a value.
struct Reach {
    const KsyAttribute* Last = nullptr;
    std::string Never; // why, where the path names what no frame can hold
};

// What a member name leads to from a value of one of types: the types the
// member's value may have (Known false where any may follow: past a value
// instance or a parameter), its attribute (the first one, where switch
// cases hold several), and whether it may be a list or bytes.
struct Reached {
    std::vector<const KsyType*> Types;
    const KsyAttribute* Found = nullptr;
    bool Known = true;
    bool List = false;
};

Reached StepInto(const std::vector<const KsyType*>& types, int nameId)
{
    Reached step;
    for (const KsyType* type : types) {
        const int slot = type->SlotOf(nameId);
        const auto seq = static_cast<int>(type->Seq.size());
        const auto attributes = seq + static_cast<int>(type->Instances.size());
        if (slot < 0)
            continue;
        if (slot >= attributes) { // a parameter: of any type
            step.Known = false;
            continue;
        }
        const KsyAttribute& a = slot < seq ? type->Seq[static_cast<std::size_t>(slot)]
                                           : type->Instances[static_cast<std::size_t>(slot - seq)];
        step.Found = step.Found ? step.Found : &a;
        step.List = step.List || a.Repeats != KsyAttribute::Repeat::None || !a.HasType
            || a.Type.What == KsyDataType::Kind::Bytes;
        if (a.Value) {
            step.Known = false;
        } else if (a.HasType && a.Type.What == KsyDataType::Kind::User) {
            step.Types.push_back(a.Type.User);
        } else if (a.HasType && a.Type.What == KsyDataType::Kind::Switch) {
            step.List = true; // a case of no type reads bytes
            for (const KsyCase& c : a.Type.Cases)
                if (c.Type.What == KsyDataType::Kind::User)
                    step.Types.push_back(c.Type.User);
        }
    }
    // A type reached by several cases is walked once: repeated switches
    // would otherwise multiply the candidates at every step.
    std::sort(step.Types.begin(), step.Types.end());
    step.Types.erase(std::unique(step.Types.begin(), step.Types.end()), step.Types.end());
    return step;
}

// Walks the types a value may have along the path: user types, every
// case of a switch, and nothing known past a value instance or a
// parameter, where any member may follow.
Reach ReachOf(const KsyDescription& d, const std::vector<KsyField::Step>& chain)
{
    Reach reach;
    std::vector<const KsyType*> types{d.Root.get()};
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
            types = {d.Root.get()};
            known = true;
            indexable = false;
            continue;
        }
        if (step.NameId == KsyNames::Parent || !known) {
            known = false;
            continue;
        }
        auto [next, found, nextKnown, list] = StepInto(types, step.NameId);
        if (!found && nextKnown)
            return {reach.Last, "no attribute " + d.Names.Name(step.NameId) + " where the path names it"};
        reach.Last = found;
        types = std::move(next);
        known = nextKnown;
        indexable = list || !nextKnown;
        if (step.Index >= 0 && known && !indexable)
            return {reach.Last, "an index into " + d.Names.Name(step.NameId) + ", which is no list"};
        if (step.Index >= 0)
            indexable = false;
    }
    return reach;
}

std::string UnitOf(const KsyAttribute* a)
{
    if (!a)
        return {};
    const std::size_t close = a->Doc.rfind(']');
    const std::size_t open = close == std::string::npos ? std::string::npos : a->Doc.rfind('[', close);
    if (open == std::string::npos || close - open < 2 || close - open > 16)
        return {};
    return a->Doc.substr(open + 1, close - open - 1);
}

std::string FirstLineOf(const KsyAttribute* a)
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

// Where a path runs over a list's items: a step of its own while it is
// read, then Chain to the list and Each from every item.
constexpr int EachItem = -2;

void SplitAtEachItem(KsyField& field)
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
std::string Quoted(std::string_view text)
{
    std::string quoted(1, '"');
    quoted.append(text).push_back('"');
    return quoted;
}

// The steps of a field's path, or why it is no path: names joined by
// dots, where a number, or [N] after a name, indexes what comes before.
std::string ParsePath(KsyNames& names, std::string_view path, std::vector<KsyField::Step>& chain)
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
            if (std::any_of(chain.begin(), chain.end(), [](const KsyField::Step& s) { return s.NameId == EachItem; }))
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
            chain.push_back({names.Id(segment.substr(0, end)), -1});
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

} // namespace

void ReadKsyFields(KsyDescription& d, const YAML::Node& top, std::string_view text, std::int64_t& parts)
{
    const YAML::Node doc = top["doc"];
    if (!doc || !doc.IsScalar())
        return;
    // A block's lines start on the line after "doc: |".
    const auto at = static_cast<std::size_t>(std::max(doc.Mark().pos, 0));
    const bool block = at < text.size() && (text[at] == '|' || text[at] == '>');
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
            throw KsyLoadError(
                d.File + ":" + std::to_string(lineNumber) + ": a :field line reads \":field NAME: path\": " + line);
        KsyField field;
        field.Line = lineNumber;
        field.Name = line.substr(nameStart, colon - nameStart);
        while (!field.Name.empty() && std::isspace(static_cast<unsigned char>(field.Name.back())))
            field.Name.pop_back();
        const std::size_t pathStart = line.find_first_not_of(" \t", colon + 1);
        const std::size_t pathEnd = line.find_last_not_of(" \t\r");
        if (field.Name.empty())
            throw KsyLoadError(
                d.File + ":" + std::to_string(lineNumber) + ": a :field line reads \":field NAME: path\": " + line);
        if (pathStart != std::string::npos)
            field.Path = line.substr(pathStart, pathEnd - pathStart + 1);
        KsyCountParts(d, doc, parts);
        std::string why = field.Path.empty() ? "no path" : ParsePath(d.Names, field.Path, field.Chain);
        if (why.empty()) {
            // Every item on the way as an index into its list.
            std::vector<KsyField::Step> reachable = field.Chain;
            for (KsyField::Step& step : reachable)
                if (step.NameId == EachItem)
                    step = {-1, 0};
            const Reach reach = ReachOf(d, reachable);
            why = reach.Never;
            field.Unit = UnitOf(reach.Last);
            field.Doc = FirstLineOf(reach.Last);
            SplitAtEachItem(field);
        }
        if (!why.empty()) {
            field.Chain.clear();
            constexpr std::size_t Shown = 100; // a long path is named by its start
            const std::string path = field.Path.size() <= Shown ? field.Path : field.Path.substr(0, Shown) + "...";
            d.Warnings.push_back(d.File + ":" + std::to_string(field.Line) + ": field " + field.Name + " (" + path
                + ") is always absent: " + why);
        }
        d.Fields.push_back(std::move(field));
    }
    for (std::size_t k = 1; k < d.Fields.size(); ++k)
        d.Fields[k].SharedSteps = SharedSteps(d.Fields[k - 1].Chain, d.Fields[k].Chain);
}

std::size_t SharedSteps(const std::vector<KsyField::Step>& before, const std::vector<KsyField::Step>& path)
{
    std::size_t n = 0;
    while (n < before.size() && n + 1 < path.size() && path[n].NameId == before[n].NameId && path[n].Index < 0
        && before[n].Index < 0 && path[n].NameId >= 0 && path[n].NameId != KsyNames::Root
        && path[n].NameId != KsyNames::Parent && path[n + 1].NameId >= 0)
        ++n;
    return n;
}

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
