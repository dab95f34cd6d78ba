// A small JSON reader for the corpus tests: enough to read what `motifgraft show --json` and
// `apply --json` print (objects, arrays, strings, numbers, true/false/null). Kept apart from the
// tool's own code on purpose: the tests must not trust the code they check.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace qz::corpus {

struct Json {
    enum class Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<Json> items;                 // Array
    std::map<std::string, Json> members;     // Object

    // The member `name`, or a null value when absent or when this is not an object.
    const Json& operator[](const std::string& name) const;
    int AsInt() const { return static_cast<int>(number); }
};

// Parses `text` as one JSON value (surrounding white space allowed). Returns false with
// `error` set ("offset N: ...") when it is not JSON.
bool ParseJson(const std::string& text, Json* value, std::string* error);

}  // namespace qz::corpus
