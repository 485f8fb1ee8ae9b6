#include "splice/refusal.h"

#include <utility>

#include "runtime/io_result.h"
#include "runtime/program_end.h"

namespace splice {

void Refuse(std::uint32_t status, std::string words) {
  runtime::ExitStatus = status;
  runtime::PendingFailure = std::move(words);
}

}  // namespace splice
