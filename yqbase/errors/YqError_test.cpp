#include "yqbase/errors/YqError.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "yqbase/errors/ErrorUtil.h"

namespace {

// Counts global allocations so that tests can prove a code path allocates nothing. Sanitizer
// runtimes bring their own operator new, so the counter is left out there.
#if defined(__SANITIZE_ADDRESS__)
#define YQ_COUNT_ALLOCATIONS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define YQ_COUNT_ALLOCATIONS 0
#endif
#endif
#ifndef YQ_COUNT_ALLOCATIONS
#define YQ_COUNT_ALLOCATIONS 1
#endif

FXCodeLocation Loc(const char* function, int line) { return {"errors/Test.cpp", function, line}; }

}  // namespace

#if YQ_COUNT_ALLOCATIONS
namespace {
std::atomic<long> g_allocations{0};
}  // namespace

void* operator new(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#endif

TEST(CYqError, TextsInEveryFormat) {
  const HRESULT failure = static_cast<HRESULT>(0x80004005),
                denied = static_cast<HRESULT>(0x80070005);
  CYqError described(denied), chain(failure), nullItem(failure, FXErrorItemPtr());
  described.Push(Loc("int Foo::Bar(int)", 12), "%s", "x");
  chain.Push(Loc("void A()", 1), "a");
  chain.Push(Loc("void B()", 2), "b");
  chain.Push(Loc("void C()", 3));
  nullItem.Push(FXErrorItemPtr());
  const struct {
    CYqError error;
    const char* full;
    const char* code;
    const char* description;
  } rows[] = {
      {CYqError(), "Success", "Success", "Success"},
      {CYqError(1), "Success", "Success", "Success"},  // positive codes are successes
      {CYqError(denied), "0x80070005", "Error (code 0x80070005)", "Error (code 0x80070005)"},
      {nullItem, "0x80004005", "Error (code 0x80004005)", "Error (code 0x80004005)"},
      {described, "0x80070005:{Foo::Bar(12)/x}", "", "Foo::Bar(12)/x"},
      // Newest first; the one-line texts show the first cause.
      {chain, "0x80004005:{C(3)} + {B(2)/b} + {A(1)/a}", "", "A(1)/a"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.full);
    EXPECT_EQ(row.full, row.error.AsString());
    EXPECT_EQ(row.full, row.error.AsString(EErrorOutputFormat::LOGGING_FULL));
    EXPECT_EQ(row.code, row.error.AsString(EErrorOutputFormat::USER_SINGLE_LINE_CODE));
    EXPECT_EQ(row.description,
              row.error.AsString(EErrorOutputFormat::USER_SINGLE_LINE_DESCRIPTION_CODE));
    EXPECT_NE(row.error.Succeeded(), row.error.Failed());
    EXPECT_EQ(std::string(row.full) == "Success", row.error.Succeeded());
  }
  EXPECT_TRUE(nullItem.GetItems().empty());
  EXPECT_EQ(3u, chain.GetItems().size());

  // Overlong descriptions are cut and marked, pushed or made with the error.
  const std::string big(200000, 'x');
  CYqError pushed(failure);
  pushed.Push(Loc("void F()", 9), "%s", big.c_str());
  for (const CYqError& error :
       {pushed, FXErrorUtil::ErrorErrNo(Loc("void F()", 9), 2, "%s", big.c_str())}) {
    const std::string text = error.AsString(EErrorOutputFormat::USER_SINGLE_LINE_DESCRIPTION_CODE);
    EXPECT_NE(std::string::npos, text.find("[BUFFEROVERFLOW] xxx")) << text.substr(0, 60);
    EXPECT_LT(text.size(), 131071u + 80u);
  }
}

#if YQ_COUNT_ALLOCATIONS
// A success result must stay free: construction, copies, moves, comparisons.
TEST(CYqError, SuccessPathAllocatesNothing) {
  const long before = g_allocations.load();
  CYqError a;
  CYqError b(a);
  CYqError c(std::move(b));
  c = a;
  a = std::move(c);
  bool same = a.Is(0) && !a.IsNot(0) && a.Succeeded();
  EXPECT_EQ(before, g_allocations.load());
  EXPECT_TRUE(same);
  // Pushing is where allocation starts.
  a.Push(Loc("void f()", 1));
  EXPECT_LT(before, g_allocations.load());
}
#endif

TEST(CYqError, CopySharesChainButDeepCopyIsIndependent) {
  CYqError source(static_cast<HRESULT>(0x80004005),
                  FXErrorUtil::MakeItem<FXErrorItem>(Loc("void A()", 1)));
  source.Push(Loc("void B()", 2), "b");
  source << 42;

  CYqError deep = source.Copy();
  EXPECT_EQ(source.AsString(), deep.AsString());
  EXPECT_EQ(source.GetCode(), deep.GetCode());
  deep.Push(Loc("void D()", 4));
  EXPECT_EQ("0x80004005:{B(2)/b} + {A(1)}", source.AsString());

  CYqError shared = source;
  shared.Push(Loc("void S()", 5));
  EXPECT_EQ("0x80004005:{S(5)} + {B(2)/b} + {A(1)}", source.AsString());

  // Copies of plain items carry their parameters; description items do not.
  const auto items = source.Copy().GetItems();
  ASSERT_EQ(3u, items.size());
  EXPECT_TRUE(items[1]->GetParameters().empty());
  EXPECT_EQ(0u, CYqError().Copy().GetItems().size());
}

TEST(CYqError, ParametersGoToNewestAndAreReadFromOldest) {
  CYqError success;
  success << 7;
  EXPECT_TRUE(CYqErrorBroker::GetParameters(success).empty());

  CYqError error(static_cast<HRESULT>(0x80004005),
                 FXErrorUtil::MakeItem<FXErrorItem>(Loc("void A()", 1)));
  error << 1 << std::string("two");
  const auto& first = CYqErrorBroker::GetParameters(error);
  ASSERT_EQ(2u, first.size());
  EXPECT_EQ(1, boost::any_cast<int>(first[0]));
  EXPECT_EQ("two", boost::any_cast<std::string>(first[1]));

  error.Push(Loc("void B()", 2));
  error << 3;
  EXPECT_EQ(2u, CYqErrorBroker::GetParameters(error).size());
  EXPECT_EQ(1u, error.GetItems().front()->GetParameters().size());

  // A deep copy copies the parameters of plain items.
  EXPECT_EQ(2u, CYqErrorBroker::GetParameters(error.Copy()).size());
}

TEST(CYqError, IsComparesOnlyTheOwnCodeThroughEquivalence) {
  const HRESULT accessDeniedWin32 = static_cast<HRESULT>(0x80070005);
  const HRESULT accessDeniedErrno = static_cast<HRESULT>(0xECCC000D);
  EXPECT_TRUE(CYqError(accessDeniedWin32).Is(accessDeniedErrno));
  EXPECT_TRUE(CYqError(accessDeniedErrno).Is(accessDeniedWin32));
  EXPECT_TRUE(CYqError(12345).Is(12345));
  EXPECT_TRUE(CYqError(accessDeniedWin32).IsNot(static_cast<HRESULT>(0x80070002)));
  // The codes of items inside the chain play no part.
  CYqError error = FXErrorUtil::ErrorWin32(Loc("void F()", 1), 2);
  FXErrorUtil::PushWin32(error, Loc("void G()", 2), 5);
  EXPECT_TRUE(error.IsNot(accessDeniedWin32));
}

TEST(FXCodeLocation, NameIsCutFromTheSignature) {
  const std::string longName(300, 'n');
  const std::string longSignature = "void " + longName + "(int)";
  const struct {
    const char* function;
    int line;
    std::string expected;
  } cases[] = {
      {"CYqError& CYqError::Push(FXErrorItemPtr)", 97, "CYqError::Push(97)"},
      {"int Foo::Bar(int)", 12, "Foo::Bar(12)"},
      {"main", 3, "main(3)"},
      {"static void Ns::Cls::Run", 4, "Ns::Cls::Run(4)"},
      {"f(int)", 5, "f(5)"},
      {"(anonymous)", 6, "(6)"},
      {"", 7, "(7)"},
      {" x(int)", 8, " x(8)"},
      {"std::vector<int> Ns::Make<std::vector<int> >(int)", 9, ">(9)"},
      {longSignature.c_str(), 10, std::string(255, 'n')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.function);
    EXPECT_EQ(c.expected, (FXCodeLocation{"f.cpp", c.function, c.line}.AsString()));
  }
  EXPECT_EQ(
      "",
      (FXCodeLocation{"f.cpp", "int g()", 1}.AsString(EErrorOutputFormat::USER_SINGLE_LINE_CODE)));
  EXPECT_EQ("g(1)", (FXCodeLocation{"f.cpp", "int g()", 1}.AsString(
                        EErrorOutputFormat::USER_SINGLE_LINE_DESCRIPTION_CODE)));
}

TEST(FXCodeLocation, MacroNamesThisFileFunctionAndLine) {
  const int line = __LINE__ + 1;
  const FXCodeLocation here = YQ_LOC;
  EXPECT_STREQ("errors/YqError_test.cpp", here.file);
  EXPECT_EQ(line, here.line);
  EXPECT_NE(nullptr, std::strstr(here.function, "TestBody"));
  EXPECT_STREQ("files/Unix/Path.cpp",
               FXCodeLocation::TrimSourcePath("/src/yqbase/yqbase/files/Unix/Path.cpp"));
  EXPECT_STREQ("other/x.cpp", FXCodeLocation::TrimSourcePath("other/x.cpp"));
}
