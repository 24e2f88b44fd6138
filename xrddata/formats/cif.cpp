#include "xrddata/formats/cif.h"

#include <strings.h>

#include "xrddata/formats/error.h"

namespace xrddata::formats::cif {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

char Fold(char c) {
    if (c >= 'A' && c <= 'Z') return static_cast<char>(c - 'A' + 'a');
    return c == '.' ? '_' : c;
}

bool StartsWithWord(std::string_view t, std::string_view word) {
    return t.size() >= word.size() && strncasecmp(t.data(), word.data(), word.size()) == 0;
}

enum class Kind { tag, value, data, loop, save, global, stop, end };

struct Token {
    Kind kind;
    Value value;
};

class Lexer {
public:
    explicit Lexer(std::string_view text) : t_(text) {
        if (t_.substr(0, 3) == "\xEF\xBB\xBF") p_ = 3;
    }

    Token next() {
        for (;;) {
            while (p_ < t_.size() && IsSpace(t_[p_])) Advance();
            if (p_ >= t_.size()) return {Kind::end, {}};
            if (t_[p_] == '#') {
                while (p_ < t_.size() && t_[p_] != '\n' && t_[p_] != '\r') ++p_;
                continue;
            }
            break;
        }
        const std::uint64_t line = line_;
        const char c = t_[p_];
        if (c == ';' && AtLineStart()) return TextField(line);
        if (c == '\'' || c == '"') return Quoted(c, line);
        const std::size_t b = p_;
        while (p_ < t_.size() && !IsSpace(t_[p_])) ++p_;
        const std::string_view w = t_.substr(b, p_ - b);
        Token tok{Kind::value, Value{w, line, false}};
        if (w.front() == '_') tok.kind = Kind::tag;
        else if (StartsWithWord(w, "data_")) tok = {Kind::data, Value{w.substr(5), line, false}};
        else if (w.size() == 5 && StartsWithWord(w, "loop_")) tok.kind = Kind::loop;
        else if (StartsWithWord(w, "save_")) tok = {Kind::save, Value{w.substr(5), line, false}};
        else if (w.size() == 7 && StartsWithWord(w, "global_")) tok.kind = Kind::global;
        else if (w.size() == 5 && StartsWithWord(w, "stop_")) tok.kind = Kind::stop;
        return tok;
    }

private:
    bool AtLineStart() const { return p_ == 0 || t_[p_ - 1] == '\n' || t_[p_ - 1] == '\r'; }

    void Advance() {
        const char c = t_[p_++];
        if (c == '\n' || (c == '\r' && (p_ >= t_.size() || t_[p_] != '\n'))) ++line_;
    }

    Token TextField(std::uint64_t line) {
        ++p_;
        const std::size_t b = p_;
        for (;;) {
            while (p_ < t_.size() && t_[p_] != '\n' && t_[p_] != '\r') ++p_;
            if (p_ >= t_.size())
                throw ReadError(Problem::malformed, "a text field opened with ';' does not end").at_line(line);
            const std::size_t lineEnd = p_;
            Advance();
            if (p_ < t_.size() && t_[p_ - 1] == '\r' && t_[p_] == '\n') Advance();
            if (p_ < t_.size() && t_[p_] == ';') {
                std::string_view body = t_.substr(b, lineEnd - b);
                ++p_;
                return {Kind::value, Value{body, line, true}};
            }
        }
    }

    Token Quoted(char q, std::uint64_t line) {
        const std::size_t b = ++p_;
        for (;;) {
            if (p_ >= t_.size() || t_[p_] == '\n' || t_[p_] == '\r')
                throw ReadError(Problem::malformed, std::string("a value opened with ") + q + " does not end on its line")
                    .at_line(line);
            if (t_[p_] == q && (p_ + 1 >= t_.size() || IsSpace(t_[p_ + 1]))) {
                const std::string_view v = t_.substr(b, p_ - b);
                ++p_;
                return {Kind::value, Value{v, line, true}};
            }
            ++p_;
        }
    }

    std::string_view t_;
    std::size_t p_ = 0;
    std::uint64_t line_ = 1;
};

}  // namespace

bool SameTag(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i])) return false;
    return true;
}

int Loop::column(std::string_view tag) const {
    for (std::size_t i = 0; i < tags.size(); ++i)
        if (SameTag(tags[i], tag)) return static_cast<int>(i);
    return -1;
}

const Value* Block::find(std::string_view tag) const {
    for (const Item& i : items)
        if (SameTag(i.tag, tag)) return &i.value;
    return nullptr;
}

std::vector<Block> Parse(std::string_view text) {
    Lexer lex(text);
    std::vector<Block> blocks;
    Block* block = nullptr;
    int saveDepth = 0;
    Token tok = lex.next();
    auto finishLoop = [&](Loop& loop) {
        if (loop.tags.empty()) throw ReadError(Problem::malformed, "loop_ without tags").at_line(loop.line);
        if (loop.values.size() % loop.tags.size() != 0)
            throw ReadError(Problem::malformed, "the loop's " + std::to_string(loop.values.size()) +
                                                    " values do not fill rows of " + std::to_string(loop.tags.size()))
                .at_line(loop.line);
    };
    while (tok.kind != Kind::end) {
        switch (tok.kind) {
            case Kind::data:
                blocks.push_back(Block{tok.value.text, tok.value.line, {}, {}});
                block = &blocks.back();
                saveDepth = 0;
                tok = lex.next();
                break;
            case Kind::global:
            case Kind::stop:
                tok = lex.next();
                break;
            case Kind::save:
                saveDepth = tok.value.text.empty() ? 0 : 1;  // "save_NAME" opens a frame, "save_" closes it
                tok = lex.next();
                break;
            case Kind::tag: {
                if (!block) throw ReadError(Problem::malformed, "an item before the first data_ block").at_line(tok.value.line);
                const std::string_view tag = tok.value.text;
                const std::uint64_t line = tok.value.line;
                tok = lex.next();
                if (tok.kind != Kind::value)
                    throw ReadError(Problem::malformed, "the item " + std::string(tag) + " has no value").at_line(line);
                if (!saveDepth) block->items.push_back(Item{tag, tok.value});
                tok = lex.next();
                break;
            }
            case Kind::loop: {
                if (!block) throw ReadError(Problem::malformed, "a loop before the first data_ block").at_line(tok.value.line);
                Loop loop;
                loop.line = tok.value.line;
                tok = lex.next();
                while (tok.kind == Kind::tag) {
                    loop.tags.push_back(tok.value.text);
                    tok = lex.next();
                }
                while (tok.kind == Kind::value) {
                    loop.values.push_back(tok.value);
                    tok = lex.next();
                }
                finishLoop(loop);
                if (!saveDepth) block->loops.push_back(std::move(loop));
                break;
            }
            case Kind::value:
                throw ReadError(Problem::malformed, "a value without a tag").at_line(tok.value.line);
            case Kind::end:
                break;
        }
    }
    return blocks;
}

}  // namespace xrddata::formats::cif
