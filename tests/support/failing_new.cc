#include "support/failing_new.h"

#include <cstdlib>
#include <new>

namespace {

// Per thread, so that tests on other threads (and the test framework) never
// see a failure they did not ask for.
thread_local long t_countdown = 0;  // 0: disarmed
thread_local bool t_failed = false;

bool ShouldFail() {
  if (t_countdown == 0) return false;
  if (--t_countdown != 0) return false;
  t_failed = true;
  return true;
}

void* Allocate(std::size_t size) {
  if (ShouldFail()) return nullptr;
  return std::malloc(size == 0 ? 1 : size);
}

void* AllocateOrThrow(std::size_t size) {
  void* block = Allocate(size);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

}  // namespace

namespace vantrel_test {

FailingNew::FailingNew(long fail_at) {
  t_countdown = fail_at;
  t_failed = false;
}

FailingNew::~FailingNew() { t_countdown = 0; }

bool FailingNew::failed() const { return t_failed; }

}  // namespace vantrel_test

void* operator new(std::size_t size) { return AllocateOrThrow(size); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size);
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept {
  std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
  std::free(block);
}
