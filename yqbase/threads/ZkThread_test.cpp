#include "yqbase/threads/ZkThread.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

#include "yqbase/errors/ZkException.h"
#include "yqbase/threads/Event.h"
#include "yqbase/threads/Threads_testutil.h"

namespace {

void* ReturnArgument(void* argument) { return argument; }

// Holds a thread until released, and tells when the thread no longer touches it, so that a
// detached thread never outlives the test's objects.
struct SGate {
  FXEvent release{FXEvent::MANUAL_RESET};
  FXEvent finished{FXEvent::MANUAL_RESET};

  // Lets the thread go and waits until it is done with the gate.
  bool Open() {
    release.Set();
    return finished.WaitForSet(60000) == WAIT_OBJECT_0;
  }
};

// Waits at the SGate it is given, then returns it. Not cancellable: a test cancels such a
// thread while it may be ending, and a cancellation acted on there aborts the process.
void* WaitAtGate(void* argument) {
  pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, nullptr);
  SGate* gate = static_cast<SGate*>(argument);
  gate->release.WaitForSet(INFINITE);
  gate->finished.Set();
  return argument;
}

// Blocks until cancelled.
[[noreturn]] void* BlockForever(void*) {
  for (;;) pause();
}

}  // namespace

TEST(ZkThread, CreateAndJoinReturnsTheResult) {
  EXPECT_EQ(static_cast<unsigned long>(pthread_self()), Unix::ZkThread::getCurrentThreadID());
  EXPECT_EQ(Unix::ZkThread::getCurrentThreadID(), Unix::zk_thr_self());
  Unix::ZkThread thread;
  EXPECT_EQ(524288u, thread.getStackSize());
  unsigned long seenInside = 0;  // the thread's own id
  ASSERT_EQ(0, thread.createThread(
                   [](void* seen) -> void* {
                     *static_cast<unsigned long*>(seen) = Unix::zk_thr_self();
                     return seen;
                   },
                   &seenInside));
  EXPECT_TRUE(thread.isRunning());
  EXPECT_FALSE(thread.isDetached());
  const unsigned long id = thread.getThreadId();
  void* result = nullptr;
  EXPECT_EQ(0, thread.joinThread(&result));
  EXPECT_EQ(&seenInside, result);
  EXPECT_EQ(id, seenInside);
  EXPECT_NE(Unix::zk_thr_self(), seenInside);
  EXPECT_FALSE(thread.isRunning());
  EXPECT_TRUE(thread.getLastError().empty());
  // Nothing runs any more: every operation has nothing to do.
  EXPECT_EQ(0, thread.joinThread(nullptr) + thread.detachThread() + thread.terminateThread() +
                   thread.suspendThread() + thread.resumeThread());
  // The object can run another thread after a join.
  ASSERT_EQ(0, thread.createThread(nullptr, nullptr));
  EXPECT_EQ(0, thread.joinThread(&result));
  EXPECT_EQ(nullptr, result);
}

// A running thread refuses a second start; whether started detached or detached later, it can
// be neither joined nor detached.
TEST(ZkThread, RunningAndDetachedThreadsRefuse) {
  for (const bool startDetached : {true, false}) {
    SCOPED_TRACE(startDetached);
    Unix::ZkThread thread;
    SGate gate;
    ASSERT_EQ(0, startDetached ? thread.createDetachedThread(&WaitAtGate, &gate)
                               : thread.createThread(&WaitAtGate, &gate));
    EXPECT_EQ(-1, thread.createThread(&ReturnArgument, nullptr));
    EXPECT_EQ("ZkThread::createThread(): The thread is already running.", thread.getLastError());
    EXPECT_EQ(-1, thread.createDetachedThread(&ReturnArgument, nullptr));
    EXPECT_EQ("ZkThread::createDetachedThread(): The thread is already running.",
              thread.getLastError());
    EXPECT_EQ(0, startDetached ? 0 : thread.detachThread());
    EXPECT_TRUE(thread.isDetached());
    EXPECT_EQ(-1, thread.joinThread(nullptr));
    EXPECT_EQ("ZkThread::joinThread(): Can't join a detached thread.", thread.getLastError());
    EXPECT_EQ(-1, thread.detachThread());
    EXPECT_EQ("ZkThread::detachThread(): Can't detach a detached thread.", thread.getLastError());
    EXPECT_TRUE(gate.Open());
  }
}

TEST(ZkThread, CreationFailureKeepsTheSystemText) {
  Unix::ZkThread thread;
  thread.setStackSize(1);  // below the system's minimum
  EXPECT_EQ(EINVAL, thread.createThread(&ReturnArgument, nullptr));
  EXPECT_EQ("ZkThread::createThread(): Failed to create thread:\nInvalid argument",
            thread.getLastError());
  EXPECT_EQ(EINVAL, thread.createDetachedThread(&ReturnArgument, nullptr));
  EXPECT_EQ("ZkThread::createDetachedThread(): Failed to create thread:\nInvalid argument",
            thread.getLastError());
  EXPECT_FALSE(thread.isRunning());
}

TEST(ZkThread, TerminateCancelsABlockedThread) {
  for (const bool byId : {false, true}) {
    SCOPED_TRACE(byId);
    Unix::ZkThread thread;
    ASSERT_EQ(0, thread.createThread(&BlockForever, nullptr));
    std::string error;
    EXPECT_EQ(0, byId ? Unix::ZkThread::terminateThread(thread.getThreadId(), error)
                      : thread.terminateThread());
    EXPECT_EQ("", error);
    void* result = nullptr;
    EXPECT_EQ(0, thread.joinThread(&result));
    EXPECT_EQ(PTHREAD_CANCELED, result);
  }
}

TEST(ZkThread, EscapingExceptionsAreLoggedAndEndTheThread) {
  yqtest::CScopedCaptureLog log;
  const struct {
    Unix::ZkThread::ThreadFunction function;
    const char* text;
  } cases[] = {
      {[](void*) -> void* { throw std::runtime_error("disk on fire"); },
       "std::runtime_error:disk on fire"},
      {[](void*) -> void* { throw 42; }, "int:"},
      {[](void*) -> void* { throw ZkException("void Worker()", "no memory", "w.cpp", 3, -1); },
       "void Worker():no memory"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    Unix::ZkThread thread;
    ASSERT_EQ(0, thread.createThread(c.function, nullptr));
    void* result = &log;
    EXPECT_EQ(0, thread.joinThread(&result));
    EXPECT_EQ(nullptr, result);
  }
  const std::vector<yqtest::SLogLine> lines = log.Writer().Lines();
  ASSERT_EQ(3u, lines.size());
  for (size_t i = 0; i < 3; ++i)
    EXPECT_EQ(std::string("-1|static void* Unix::ZkThread::start_func(void*)|111|") + cases[i].text,
              std::to_string(lines[i].level) + "|" + lines[i].function + "|" +
                  std::to_string(lines[i].line) + "|" + lines[i].text);
}

TEST(ZkThread, DestructionLeavesARunningThreadToFinish) {
  SGate gate;
  {
    Unix::ZkThread thread;
    ASSERT_EQ(0, thread.createThread(&WaitAtGate, &gate));
  }
  EXPECT_TRUE(gate.Open());
}

// SIGSTOP stops the whole process, so suspension runs in a child process that the test
// continues from outside.
TEST(ZkThread, SuspendAndResumeInAChildProcess) {
  int toChild[2];
  ASSERT_EQ(0, pipe(toChild));
  const pid_t child = fork();
  ASSERT_NE(-1, child);
  if (child == 0) {
    close(toChild[1]);
    SGate gate;
    Unix::ZkThread thread;
    if (thread.createThread(&WaitAtGate, &gate) != 0) _exit(2);
    const int suspended = thread.suspendThread();
    char go = 0;
    // The parent writes once it has seen the process stop and continued it.
    if (read(toChild[0], &go, 1) != 1) _exit(3);
    const int resumed = thread.resumeThread();
    gate.release.Set();
    const int joined = thread.joinThread(nullptr);
    _exit(suspended == 0 && resumed == 0 && joined == 0 ? 0 : 1);
  }
  close(toChild[0]);
  int status = 0;
  ASSERT_EQ(child, waitpid(child, &status, WUNTRACED));
  EXPECT_TRUE(WIFSTOPPED(status));
  kill(child, SIGCONT);
  ASSERT_EQ(1, write(toChild[1], "g", 1));
  close(toChild[1]);
  ASSERT_EQ(child, waitpid(child, &status, 0));
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(0, WEXITSTATUS(status));
}

// Cancelling the id of an ended thread is undefined behaviour (a crash in practice), so ids of
// ended threads, of threads started elsewhere and made-up ids are refused.
TEST(ZkThread, TerminateByIdRefusesThreadsItDoesNotKnow) {
  const std::string refused = "Failed to cancel thread: No such process";
  std::string error;

  Unix::ZkThread joined;
  ASSERT_EQ(0, joined.createThread(&ReturnArgument, nullptr));
  ASSERT_EQ(0, joined.joinThread(nullptr));
  // A detached thread leaves the list a moment after its function returns.
  SGate gate;
  Unix::ZkThread detached;
  ASSERT_EQ(0, detached.createDetachedThread(&WaitAtGate, &gate));
  ASSERT_TRUE(gate.Open());
  int result = 0;
  for (int i = 0; i < 6000; ++i) {
    error.clear();
    result = Unix::ZkThread::terminateThread(detached.getThreadId(), error);
    if (result == ESRCH) break;
    usleep(1000);
  }
  EXPECT_EQ(ESRCH, result);
  EXPECT_EQ(0, detached.terminateThread());  // ended: nothing to cancel

  SGate foreignGate;
  pthread_t foreign;
  ASSERT_EQ(0, pthread_create(&foreign, nullptr, &WaitAtGate, &foreignGate));
  for (unsigned long id :
       {joined.getThreadId(), static_cast<unsigned long>(foreign), 0ul, 12345ul}) {
    SCOPED_TRACE(id);
    error.clear();
    EXPECT_EQ(ESRCH, Unix::ZkThread::terminateThread(id, error));
    EXPECT_EQ(refused, error);
  }
  EXPECT_TRUE(foreignGate.Open());
  EXPECT_EQ(0, pthread_join(foreign, nullptr));
}
