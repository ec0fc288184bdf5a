// Failing the n-th allocation through operator new on the calling thread.
//
// The test program replaces the global operator new (every form) with one
// that counts the allocations of a thread while a FailingNew object of that
// thread is armed, and fails the chosen one: the throwing forms throw
// std::bad_alloc, the nothrow forms answer null. The library's code linked
// into the test program allocates through it like any other code.
#ifndef VANTREL_TESTS_SUPPORT_FAILING_NEW_H_
#define VANTREL_TESTS_SUPPORT_FAILING_NEW_H_

namespace vantrel_test {

class FailingNew {
 public:
  // Arms the counter: allocation number `fail_at` (1 the first) made on
  // this thread from now on fails, the others succeed.
  explicit FailingNew(long fail_at);
  // Disarms.
  ~FailingNew();
  FailingNew(const FailingNew&) = delete;
  FailingNew& operator=(const FailingNew&) = delete;

  // True once the chosen allocation has been failed.
  bool failed() const;
};

}  // namespace vantrel_test

#endif  // VANTREL_TESTS_SUPPORT_FAILING_NEW_H_
