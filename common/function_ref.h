// A reference to a callable (a lambda, or a function pointer such as &Exists): its address
// and a function that calls it. Unlike std::function, making one never allocates and so
// never throws. It is meant as a parameter only, so that the callable outlives it.
#pragma once

#include <memory>
#include <type_traits>

namespace kolta {

template <typename Signature>
class FunctionRef;

template <typename Result, typename... Args>
class FunctionRef<Result(Args...)> {
 public:
  template <typename Callable>
    requires(!std::is_same_v<std::remove_cvref_t<Callable>, FunctionRef> &&
             std::is_object_v<std::remove_reference_t<Callable>> &&
             std::is_invocable_r_v<Result, std::remove_reference_t<Callable>&, Args...>)
  FunctionRef(Callable&& callable) noexcept  // implicit: a call passes the callable itself
      : object_(const_cast<void*>(static_cast<const void*>(std::addressof(callable)))),
        call_([](void* object, Args... args) -> Result {
          return (*static_cast<std::remove_reference_t<Callable>*>(object))(args...);
        }) {}

  Result operator()(Args... args) const { return call_(object_, args...); }

 private:
  void* object_;
  Result (*call_)(void* object, Args... args);
};

}  // namespace kolta
