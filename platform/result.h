// A value or the reason there is none: the one result convention of every
// layer. Each layer has its own error type (SysError in platform/, ComError
// in serial/, LinkError in link/); a layer that passes a failure up wraps the
// error of the layer below in its own.
#pragma once

#include <utility>
#include <variant>

template <typename E>
struct Failure {
  E error;
};

// The failure branch of a result: `return Fail(SysError{...});`.
template <typename E>
Failure<E> Fail(E error) {
  return Failure<E>{std::move(error)};
}

template <typename T, typename E>
class [[nodiscard]] Result {
 public:
  Result(T value) : v_(std::in_place_index<0>, std::move(value)) {}  // NOLINT: implicit
  template <typename F>
  Result(Failure<F> f) : v_(std::in_place_index<1>, E(std::move(f.error))) {}  // NOLINT

  bool ok() const { return v_.index() == 0; }
  explicit operator bool() const { return ok(); }
  T& value() { return std::get<0>(v_); }
  const T& value() const { return std::get<0>(v_); }
  T& operator*() { return value(); }
  const T& operator*() const { return value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  const E& error() const { return std::get<1>(v_); }
  E& error() { return std::get<1>(v_); }

 private:
  std::variant<T, E> v_;
};

// A result that carries no value: success, or the error.
template <typename E>
class [[nodiscard]] Result<void, E> {
 public:
  Result() = default;
  template <typename F>
  Result(Failure<F> f) : failed_(true), error_(E(std::move(f.error))) {}  // NOLINT

  bool ok() const { return !failed_; }
  explicit operator bool() const { return ok(); }
  const E& error() const { return error_; }
  E& error() { return error_; }

 private:
  bool failed_ = false;
  E error_{};
};
