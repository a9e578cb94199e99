// The Com operations on an open port: each calls the Port member and names
// the step a failure came in.
#include "serial/com.h"

#include <type_traits>
#include <utility>

namespace {

template <typename T>
ComResult<T> Step(ComStep step, SysResult<T> result) {
  if (!result) return Fail(ComError{step, std::move(result.error())});
  if constexpr (std::is_void_v<T>) {
    return {};
  } else {
    return std::move(result.value());
  }
}

}  // namespace

ComResult<std::int32_t> ComRxCount(Port& port) {
  return Step(ComStep::kTransfer, port.Waiting());
}

ComResult<std::int32_t> ComWaitRx(Port& port, std::int32_t n, std::int32_t timeout_ms) {
  return Step(ComStep::kTransfer, port.WaitFor(n, timeout_ms));
}

ComResult<std::int32_t> ComRead(Port& port, std::uint8_t* bytes, std::int32_t n,
                                std::int32_t timeout_ms) {
  return Step(ComStep::kTransfer, port.Read(bytes, n, timeout_ms));
}

ComResult<std::int32_t> ComWrite(Port& port, const std::uint8_t* bytes, std::int32_t n,
                                 std::int32_t timeout_ms) {
  return Step(ComStep::kTransfer, port.Write(bytes, n, timeout_ms));
}

ComResult<void> ComClearRts(Port& port) {
  return Step(ComStep::kLine, port.SetRts(false));
}

ComResult<void> ComSetRts(Port& port) {
  return Step(ComStep::kLine, port.SetRts(true));
}

ComResult<void> ComClose(Port& port) {
  return Step(ComStep::kClose, port.Close());
}

bool ComPortGone(const ComError& error) {
  return error.cause.kind == ErrorKind::kGone;
}
