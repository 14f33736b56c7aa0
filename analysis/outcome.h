#pragma once

#include <utility>
#include <variant>

namespace quillmere {

// A value or the error that prevented it. Library calls return this instead
// of throwing, ending the process or printing.
template <class Value, class Error>
class Outcome {
  public:
    Outcome(Value value) : content(std::in_place_index<0>, std::move(value)) {}
    Outcome(Error error) : content(std::in_place_index<1>, std::move(error)) {}

    bool succeeded() const { return content.index() == 0; }
    explicit operator bool() const { return succeeded(); }

    const Value& value() const { return std::get<0>(content); }
    Value& value() { return std::get<0>(content); }
    const Error& error() const { return std::get<1>(content); }

  private:
    std::variant<Value, Error> content;
};

}  // namespace quillmere
