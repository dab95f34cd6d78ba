// Failures as values: every function of the tool that can fail for a reason the user should read
// answers a Status (nothing else to give back) or a Result<T> (a value, or the Status saying why
// there is none). Functions that merely find nothing (an arithmetic overflow, a value that does
// not parse) answer std::optional instead: the caller words the message, since only it knows
// what the value was for.
//
// A Status made from a place in a file carries its line and column (1-based; the column counts
// characters), so that the command line can print "FILE:LINE:COL: message".
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace qz::musicxml {

// A place in a text, 1-based; the column counts characters, not bytes.
struct TextPosition {
    int line = 1;
    int column = 1;
};

class [[nodiscard]] Status {
public:
    Status() = default;  // success
    static Status Error(std::string message) { return Status(std::move(message), 0, 0); }
    static Status ErrorAt(std::string message, TextPosition at) {
        return Status(std::move(message), at.line, at.column);
    }

    bool ok() const { return !failed_; }
    const std::string& message() const { return message_; }
    bool HasPosition() const { return line_ > 0; }
    int line() const { return line_; }
    int column() const { return column_; }
    // The message as the tool prints it for `file`: "FILE:LINE:COL: message" when the place is
    // known, "FILE: message" otherwise.
    std::string Where(const std::string& file) const {
        if (!HasPosition()) return file + ": " + message_;
        return file + ":" + std::to_string(line_) + ":" + std::to_string(column_) + ": " +
               message_;
    }
    // The same failure with `prefix` before its message (the place is kept).
    Status Prefixed(const std::string& prefix) const {
        return Status(prefix + message_, line_, column_);
    }

private:
    Status(std::string message, int line, int column)
        : failed_(true), message_(std::move(message)), line_(line), column_(column) {}

    bool failed_ = false;
    std::string message_;
    int line_ = 0;
    int column_ = 0;
};

// A value of T, or the failure that left none. A Result made from a Status that is ok holds no
// value and is not ok either: that is a programming error the first use reveals.
template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : value_(std::move(value)) {}  // NOLINT: a value converts implicitly
    Result(Status failure) : status_(std::move(failure)) {  // NOLINT: so does a failure
        if (status_.ok()) status_ = Status::Error("no value");
    }

    bool ok() const { return value_.has_value(); }
    const Status& status() const { return status_; }
    T& value() { return *value_; }
    const T& value() const { return *value_; }
    T* operator->() { return &*value_; }
    const T* operator->() const { return &*value_; }
    T& operator*() { return *value_; }
    const T& operator*() const { return *value_; }

private:
    Status status_;
    std::optional<T> value_;
};

}  // namespace qz::musicxml
