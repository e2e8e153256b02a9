// SPDX-License-Identifier: GPL-3.0-or-later
#include "ksyexpression.h"

#include "ksyliterals.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>

KsyNames::KsyNames()
{
#define KSY_BUILTIN_TEXT(id, text) Id(text);
    KSY_BUILTIN_NAMES(KSY_BUILTIN_TEXT)
#undef KSY_BUILTIN_TEXT
}

int KsyNames::Id(std::string_view name)
{
    const auto found = ids_.find(std::string(name));
    if (found != ids_.end())
        return found->second;
    const int id = static_cast<int>(names_.size());
    names_.emplace_back(name);
    ids_.emplace(std::string(name), id);
    return id;
}

int KsyNames::Find(std::string_view name) const
{
    const auto found = ids_.find(std::string(name));
    return found == ids_.end() ? -1 : found->second;
}

namespace {

// Expressions nest at most this deep: a description is input too.
constexpr int MaxDepth = 64;

class ExpressionParser {
public:
    ExpressionParser(std::string_view text, KsyNames& names)
        : text_(text)
        , names_(names)
    {
    }

    KsyExprPtr Parse()
    {
        KsyExprPtr e = Ternary();
        Blank();
        if (at_ < text_.size())
            Fail("unexpected \"" + std::string(text_.substr(at_, 1)) + "\"");
        return e;
    }

private:
    [[noreturn]] void Fail(const std::string& why) const
    {
        // A long expression is named by its start.
        constexpr std::size_t Shown = 60;
        const std::string shown
            = text_.size() <= Shown ? std::string(text_) : std::string(text_.substr(0, Shown)) + "...";
        throw KsyLoadError("expression \"" + shown + "\": " + why + " at character " + std::to_string(at_ + 1));
    }

    void Blank()
    {
        while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_])))
            ++at_;
    }
    bool Peek(std::string_view token)
    {
        Blank();
        return text_.substr(at_, token.size()) == token;
    }
    bool Take(std::string_view token)
    {
        if (!Peek(token))
            return false;
        at_ += token.size();
        return true;
    }
    // A word operator (and, or, not) only where a whole word stands.
    bool TakeWord(std::string_view word)
    {
        Blank();
        if (text_.substr(at_, word.size()) != word)
            return false;
        const std::size_t end = at_ + word.size();
        if (end < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[end])) || text_[end] == '_'))
            return false;
        at_ = end;
        return true;
    }
    void Expect(std::string_view token)
    {
        if (!Take(token))
            Fail(std::string("\"").append(token).append("\" expected"));
    }

    // Every node is checked as it is made, so no tree too tall to walk (or
    // to give back) is ever built.
    KsyExprPtr Node(KsyOp op, std::vector<KsyExprPtr> kids = {})
    {
        auto e = std::make_unique<KsyExpr>();
        e->Op = op;
        for (const KsyExprPtr& kid : kids)
            e->Height = std::max(e->Height, kid->Height + 1);
        if (e->Height > MaxKsyExpressionHeight)
            Fail("too long a chain of operators, members or indices (more than "
                + std::to_string(MaxKsyExpressionHeight) + " deep)");
        e->Kids = std::move(kids);
        return e;
    }
    KsyExprPtr Binary(KsyOp op, KsyExprPtr a, KsyExprPtr b)
    {
        std::vector<KsyExprPtr> kids;
        kids.push_back(std::move(a));
        kids.push_back(std::move(b));
        return Node(op, std::move(kids));
    }

    struct Nest {
        explicit Nest(ExpressionParser& p)
            : p_(p)
        {
            if (++p_.depth_ > MaxDepth)
                p_.Fail("nested too deep");
        }
        ~Nest() { --p_.depth_; }
        ExpressionParser& p_;
    };

    KsyExprPtr Ternary()
    {
        Nest nest(*this);
        KsyExprPtr condition = OrTest();
        if (!Take("?"))
            return condition;
        KsyExprPtr yes = Ternary();
        Expect(":");
        KsyExprPtr no = Ternary();
        std::vector<KsyExprPtr> kids;
        kids.push_back(std::move(condition));
        kids.push_back(std::move(yes));
        kids.push_back(std::move(no));
        return Node(KsyOp::Ternary, std::move(kids));
    }
    KsyExprPtr OrTest()
    {
        KsyExprPtr e = AndTest();
        while (TakeWord("or"))
            e = Binary(KsyOp::Or, std::move(e), AndTest());
        return e;
    }
    KsyExprPtr AndTest()
    {
        KsyExprPtr e = NotTest();
        while (TakeWord("and"))
            e = Binary(KsyOp::And, std::move(e), NotTest());
        return e;
    }
    KsyExprPtr NotTest()
    {
        if (TakeWord("not")) {
            Nest nest(*this);
            std::vector<KsyExprPtr> kids;
            kids.push_back(NotTest());
            return Node(KsyOp::Not, std::move(kids));
        }
        return Comparison();
    }
    KsyExprPtr Comparison()
    {
        KsyExprPtr e = BitOr();
        static constexpr std::pair<std::string_view, KsyOp> Ops[]
            = {{"==", KsyOp::Eq}, {"!=", KsyOp::Ne}, {"<=", KsyOp::Le}, {">=", KsyOp::Ge}, {"<<", KsyOp::Int},
                {">>", KsyOp::Int}, {"<", KsyOp::Lt}, {">", KsyOp::Gt}};
        for (const auto& [token, op] : Ops) {
            if (Peek(token)) {
                if (op == KsyOp::Int)
                    return e; // a shift is no comparison
                at_ += token.size();
                return Binary(op, std::move(e), BitOr());
            }
        }
        return e;
    }
    KsyExprPtr BitOr()
    {
        KsyExprPtr e = BitXor();
        while (Peek("|") && !Peek("||")) {
            ++at_;
            e = Binary(KsyOp::BitOr, std::move(e), BitXor());
        }
        return e;
    }
    KsyExprPtr BitXor()
    {
        KsyExprPtr e = BitAnd();
        while (Take("^"))
            e = Binary(KsyOp::BitXor, std::move(e), BitAnd());
        return e;
    }
    KsyExprPtr BitAnd()
    {
        KsyExprPtr e = Shift();
        while (Peek("&") && !Peek("&&")) {
            ++at_;
            e = Binary(KsyOp::BitAnd, std::move(e), Shift());
        }
        return e;
    }
    KsyExprPtr Shift()
    {
        KsyExprPtr e = Sum();
        for (;;) {
            if (Take("<<"))
                e = Binary(KsyOp::Shl, std::move(e), Sum());
            else if (Take(">>"))
                e = Binary(KsyOp::Shr, std::move(e), Sum());
            else
                return e;
        }
    }
    KsyExprPtr Sum()
    {
        KsyExprPtr e = Term();
        for (;;) {
            if (Take("+"))
                e = Binary(KsyOp::Add, std::move(e), Term());
            else if (Take("-"))
                e = Binary(KsyOp::Sub, std::move(e), Term());
            else
                return e;
        }
    }
    KsyExprPtr Term()
    {
        KsyExprPtr e = Factor();
        for (;;) {
            if (Take("*"))
                e = Binary(KsyOp::Mul, std::move(e), Factor());
            else if (Take("/"))
                e = Binary(KsyOp::Div, std::move(e), Factor());
            else if (Take("%"))
                e = Binary(KsyOp::Mod, std::move(e), Factor());
            else
                return e;
        }
    }
    KsyExprPtr Factor()
    {
        Nest nest(*this);
        for (const auto& [token, op] :
            {std::pair{std::string_view("-"), KsyOp::Neg}, std::pair{std::string_view("~"), KsyOp::BitNot}}) {
            if (Take(token)) {
                std::vector<KsyExprPtr> kids;
                kids.push_back(Factor());
                return Node(op, std::move(kids));
            }
        }
        if (Take("+"))
            return Factor();
        return Postfix(Atom());
    }

    std::string Identifier()
    {
        Blank();
        const std::size_t start = at_;
        while (at_ < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[at_])) || text_[at_] == '_'))
            ++at_;
        if (at_ == start || std::isdigit(static_cast<unsigned char>(text_[start])))
            Fail("a name expected");
        return std::string(text_.substr(start, at_ - start));
    }

    KsyExprPtr Postfix(KsyExprPtr e)
    {
        for (;;) {
            if (Take("[")) {
                e = Binary(KsyOp::Index, std::move(e), Ternary());
                Expect("]");
            } else if (Peek(".") && !IsDigitAt(at_ + 1)) {
                ++at_;
                if (TakeWord("as")) {
                    Expect("<");
                    std::string type;
                    while (at_ < text_.size() && text_[at_] != '>')
                        type += text_[at_++];
                    Expect(">");
                    std::vector<KsyExprPtr> kids;
                    kids.push_back(std::move(e));
                    e = Node(KsyOp::Cast, std::move(kids));
                    e->Text = type;
                    continue;
                }
                const std::string name = Identifier();
                std::vector<KsyExprPtr> kids;
                kids.push_back(std::move(e));
                KsyOp op = KsyOp::Member;
                if (Take("(")) {
                    op = KsyOp::Call;
                    if (!Take(")")) {
                        do
                            kids.push_back(Ternary());
                        while (Take(","));
                        Expect(")");
                    }
                }
                e = Node(op, std::move(kids));
                e->Text = name;
                e->NameId = names_.Id(name);
            } else {
                return e;
            }
        }
    }

    bool IsDigitAt(std::size_t k) const
    {
        return k < text_.size() && std::isdigit(static_cast<unsigned char>(text_[k]));
    }

    KsyExprPtr Atom()
    {
        Blank();
        if (at_ >= text_.size())
            Fail("the expression ends early");
        const char c = text_[at_];
        if (c == '(') {
            ++at_;
            KsyExprPtr e = Ternary();
            Expect(")");
            return e;
        }
        if (c == '[') {
            ++at_;
            auto e = Node(KsyOp::Array);
            if (!Take("]")) {
                do {
                    e->Kids.push_back(Ternary());
                    e->Height = std::max(e->Height, e->Kids.back()->Height + 1);
                } while (Take(","));
                Expect("]");
            }
            return e;
        }
        if (c == '\'' || c == '"' || std::isdigit(static_cast<unsigned char>(c))) {
            auto e = Node(KsyOp::Int);
            if (const std::string why = ReadKsyLiteral(text_, at_, *e); !why.empty())
                Fail(why);
            return e;
        }
        const std::string name = Identifier();
        if (name == "true" || name == "false") {
            auto e = Node(KsyOp::Bool);
            e->Int = name == "true";
            return e;
        }
        if (Peek("::")) {
            std::string path = name;
            while (Take("::"))
                path += "::" + Identifier();
            auto e = Node(KsyOp::EnumValue);
            e->Text = path;
            return e;
        }
        auto e = Node(KsyOp::Name);
        e->Text = name;
        e->NameId = names_.Id(name);
        return e;
    }

    std::string_view text_;
    std::size_t at_ = 0;
    int depth_ = 0;
    KsyNames& names_;
};

} // namespace

KsyExprPtr ParseKsyExpression(std::string_view text, KsyNames& names) { return ExpressionParser(text, names).Parse(); }
