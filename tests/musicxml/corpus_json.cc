#include "corpus_json.h"

#include <cstdlib>

namespace qz::corpus {
namespace {

// Deep enough for any report; a hostile nesting depth fails instead of exhausting the stack.
constexpr int kMaxDepth = 64;

class Parser {
public:
    explicit Parser(const std::string& text) : text_(text) {}

    bool Value(Json* out, int depth) {
        Skip();
        if (depth > kMaxDepth) return Fail("nested too deeply");
        if (pos_ >= text_.size()) return Fail("value expected");
        char c = text_[pos_];
        if (c == '{') return Object(out, depth);
        if (c == '[') return Array(out, depth);
        if (c == '"') {
            out->kind = Json::Kind::String;
            return String(&out->text);
        }
        if (Word("true")) return Set(out, Json::Kind::Bool, true);
        if (Word("false")) return Set(out, Json::Kind::Bool, false);
        if (Word("null")) return Set(out, Json::Kind::Null, false);
        return Number(out);
    }

    bool AtEnd() {
        Skip();
        return pos_ == text_.size() || Fail("text after the value");
    }
    const std::string& error() const { return error_; }

private:
    bool Fail(const std::string& what) {
        if (error_.empty()) error_ = "offset " + std::to_string(pos_) + ": " + what;
        return false;
    }
    void Skip() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\n' ||
                                       text_[pos_] == '\r' || text_[pos_] == '\t'))
            ++pos_;
    }
    bool Word(const char* word) {
        std::string w(word);
        if (text_.compare(pos_, w.size(), w) != 0) return false;
        pos_ += w.size();
        return true;
    }
    static bool Set(Json* out, Json::Kind kind, bool value) {
        out->kind = kind;
        out->boolean = value;
        return true;
    }
    bool Number(Json* out) {
        const char* start = text_.c_str() + pos_;
        char* end = nullptr;
        double value = std::strtod(start, &end);
        if (end == start) return Fail("value expected");
        pos_ += static_cast<std::size_t>(end - start);
        out->kind = Json::Kind::Number;
        out->number = value;
        return true;
    }
    bool String(std::string* out) {
        ++pos_;  // opening quote
        while (pos_ < text_.size()) {
            char c = text_[pos_++];
            if (c == '"') return true;
            if (c != '\\') {
                out->push_back(c);
                continue;
            }
            if (pos_ >= text_.size()) break;
            char e = text_[pos_++];
            switch (e) {
                case 'n': out->push_back('\n'); break;
                case 't': out->push_back('\t'); break;
                case 'r': out->push_back('\r'); break;
                case 'b': out->push_back('\b'); break;
                case 'f': out->push_back('\f'); break;
                case 'u': {
                    if (pos_ + 4 > text_.size()) return Fail("short \\u escape");
                    unsigned code = static_cast<unsigned>(std::strtoul(text_.substr(pos_, 4).c_str(), nullptr, 16));
                    pos_ += 4;
                    AppendUtf8(code, out);
                    break;
                }
                default: out->push_back(e);
            }
        }
        return Fail("unterminated string");
    }
    static void AppendUtf8(unsigned code, std::string* out) {
        if (code < 0x80) {
            out->push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out->push_back(static_cast<char>(0xC0 | (code >> 6)));
            out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out->push_back(static_cast<char>(0xE0 | (code >> 12)));
            out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    bool Array(Json* out, int depth) {
        out->kind = Json::Kind::Array;
        ++pos_;
        Skip();
        if (pos_ < text_.size() && text_[pos_] == ']') return ++pos_, true;
        for (;;) {
            out->items.emplace_back();
            if (!Value(&out->items.back(), depth + 1)) return false;
            Skip();
            if (pos_ < text_.size() && text_[pos_] == ',') { ++pos_; continue; }
            if (pos_ < text_.size() && text_[pos_] == ']') return ++pos_, true;
            return Fail("',' or ']' expected");
        }
    }
    bool Object(Json* out, int depth) {
        out->kind = Json::Kind::Object;
        ++pos_;
        Skip();
        if (pos_ < text_.size() && text_[pos_] == '}') return ++pos_, true;
        for (;;) {
            Skip();
            std::string name;
            if (pos_ >= text_.size() || text_[pos_] != '"' || !String(&name))
                return Fail("member name expected");
            Skip();
            if (pos_ >= text_.size() || text_[pos_] != ':') return Fail("':' expected");
            ++pos_;
            if (!Value(&out->members[name], depth + 1)) return false;
            Skip();
            if (pos_ < text_.size() && text_[pos_] == ',') { ++pos_; continue; }
            if (pos_ < text_.size() && text_[pos_] == '}') return ++pos_, true;
            return Fail("',' or '}' expected");
        }
    }

    const std::string& text_;
    std::size_t pos_ = 0;
    std::string error_;
};

}  // namespace

const Json& Json::operator[](const std::string& name) const {
    static const Json kNull;
    auto it = members.find(name);
    return it == members.end() ? kNull : it->second;
}

bool ParseJson(const std::string& text, Json* value, std::string* error) {
    Parser parser(text);
    *value = Json();
    bool ok = parser.Value(value, 0) && parser.AtEnd();
    if (!ok && error != nullptr) *error = parser.error();
    return ok;
}

}  // namespace qz::corpus
