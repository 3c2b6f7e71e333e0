// The texts and copies of the typed error items of every kind.
#include <gtest/gtest.h>

#include <string>
#include <typeinfo>
#include <vector>

#include "yqbase/errors/ErrorItem_ErrNo.h"
#include "yqbase/errors/ErrorItem_EventMessage.h"
#include "yqbase/errors/ErrorItem_HResult.h"
#include "yqbase/errors/ErrorItem_Http.h"
#include "yqbase/errors/ErrorItem_Int.h"
#include "yqbase/errors/ErrorItem_SQLite.h"
#include "yqbase/errors/ErrorItem_Win32.h"
#include "yqbase/errors/ErrorItem_ZKResult.h"

namespace {

const FXCodeLocation kLoc = {"errors/Foo.cpp", "int Foo::Bar(int)", 12};

const EErrorOutputFormat kFull = EErrorOutputFormat::LOGGING_FULL;
const EErrorOutputFormat kCode = EErrorOutputFormat::USER_SINGLE_LINE_CODE;
const EErrorOutputFormat kDescription = EErrorOutputFormat::USER_SINGLE_LINE_DESCRIPTION_CODE;

struct TextRow {
  const char* name;
  FXErrorItemPtr item;
  std::string full;           // AsString() and AsString(LOGGING_FULL)
  std::string codeLine;       // USER_SINGLE_LINE_CODE
  std::string describedLine;  // USER_SINGLE_LINE_DESCRIPTION_CODE
};

std::vector<TextRow> Rows() {
  const std::string L = "Foo::Bar(12)";
  const std::string enoent = "No such file or directory";
  const std::string access = "Access is denied. (ERROR_ACCESS_DENIED.5)";
  const std::string sqlite = "Some kind of disk I/O error occurred";
  return {
      {"ErrNo", boost::make_shared<FXErrorItemErrNo>(kLoc, 2), L + "/ErrNo.2.(" + enoent + ")",
       enoent + " (ErrNo.2)", enoent + " (ErrNo.2)"},
      {"ErrNo described", boost::make_shared<FXErrorItemErrNoDescription>(kLoc, 2, "opening"),
       L + "/ErrNo.2.(" + enoent + ")-opening", enoent + " (ErrNo.2)",
       enoent + ", opening (ErrNo.2)"},
      // No ", " when the description is empty.
      {"ErrNo empty description", boost::make_shared<FXErrorItemErrNoDescription>(kLoc, 2, ""),
       L + "/ErrNo.2.(" + enoent + ")-", enoent + " (ErrNo.2)", enoent + " (ErrNo.2)"},
      {"Win32", boost::make_shared<FXErrorItemWin32>(kLoc, 5), L + "/W32.5.(" + access + ")",
       access + " (W32.5)", access + " (W32.5)"},
      {"Win32 described", boost::make_shared<FXErrorItemWin32Description>(kLoc, 5, "  x\t"),
       L + "/W32.5.(" + access + ")-  x\t", access + " (W32.5)", access + ",   x\t (W32.5)"},
      {"Win32 unknown", boost::make_shared<FXErrorItemWin32>(kLoc, 4),
       L + "/W32.4.(VALUE_NOT_FOUND (4))", "VALUE_NOT_FOUND (4) (W32.4)",
       "VALUE_NOT_FOUND (4) (W32.4)"},
      {"ZKResult", boost::make_shared<FXErrorItemZKResult>(kLoc, 0x1F), L + "/ZK.0x1F",
       "Error (ZK.0x1F)", "Error (ZK.0x1F)"},
      {"ZKResult described", boost::make_shared<FXErrorItemZKResultDescription>(kLoc, 0x1F, "x"),
       L + "/ZK.0x1F-x", "Error (ZK.0x1F)", "x (ZK.0x1F)"},
      // The own-result and integer one-line texts are not trimmed.
      {"ZKResult empty description",
       boost::make_shared<FXErrorItemZKResultDescription>(kLoc, 0x1F, ""), L + "/ZK.0x1F-",
       "Error (ZK.0x1F)", " (ZK.0x1F)"},
      {"Int", boost::make_shared<FXErrorItemInt>(kLoc, -1), L + "/Int.-1.0xFFFFFFFF",
       "Error (Int.-1.0xFFFFFFFF)", "Error (Int.-1.0xFFFFFFFF)"},
      {"Int described", boost::make_shared<FXErrorItemIntDescription>(kLoc, 7, "x"),
       L + "/Int.7.0x7-x", "Error (Int.7.0x7)", "x (Int.7.0x7)"},
      {"HResult", boost::make_shared<FXErrorItemHResult>(kLoc, 5),
       L + "/HR.0x5-(Input/output error)", "Input/output error (HR.0x5)",
       "Input/output error (HR.0x5)"},
      {"HResult failure", boost::make_shared<FXErrorItemHResult>(kLoc, 0x80004005),
       L + "/HR.0x80004005-(Unknown error -2147467259)",
       "Unknown error -2147467259 (HR.0x80004005)", "Unknown error -2147467259 (HR.0x80004005)"},
      {"HResult described", boost::make_shared<FXErrorItemHResultDescription>(kLoc, 5, "x"),
       L + "/HR.0x5-(Input/output error)-x", "Input/output error (HR.0x5)",
       "Input/output error, x (HR.0x5)"},
      {"Http", boost::make_shared<FXErrorItemHttp>(kLoc, 404), L + "/http.404.(Unknown error 404)",
       "Unknown error 404 (http.404)", "Unknown error 404 (http.404)"},
      {"Http described", boost::make_shared<FXErrorItemHttpDescription>(kLoc, 404, "GET /"),
       L + "/http.404.(Unknown error 404)-GET /", "Unknown error 404 (http.404)",
       "Unknown error 404, GET / (http.404)"},
      {"SQLite", boost::make_shared<FXErrorItemSQLite>(kLoc, 266),
       L + "/SQL.0x10A.((10 | (1<<8)) (0x10A): " + sqlite + ")",
       "(10 | (1<<8)) (0x10A): " + sqlite + " (SQL.0x10A)",
       "(10 | (1<<8)) (0x10A): " + sqlite + " (SQL.0x10A)"},
      // With a description the SQLite one-line text leaves the tag out.
      {"SQLite described", boost::make_shared<FXErrorItemSQLiteDescription>(kLoc, 266, "x"),
       L + "/SQL.0x10A.((10 | (1<<8)) (0x10A): " + sqlite + ")-x",
       "(10 | (1<<8)) (0x10A): " + sqlite + " (SQL.0x10A)", sqlite + ", x (SQL.0x10A)"},
      {"SQLite unknown", boost::make_shared<FXErrorItemSQLite>(kLoc, 29),
       L + "/SQL.0x1D.(VALUE_NOT_FOUND (0x1D): Unknown)",
       "VALUE_NOT_FOUND (0x1D): Unknown (SQL.0x1D)", "VALUE_NOT_FOUND (0x1D): Unknown (SQL.0x1D)"},
      {"EventMessage", boost::make_shared<FXErrorItemEventMessage>(kLoc, 0x05000123),
       L + "/EventMessage.0x05000123.5:291", "", ""},
      {"EventMessage described",
       boost::make_shared<FXErrorItemEventMessageDescription>(kLoc, 0x05000123, "x"),
       L + "/EventMessage.0x05000123.5:291-x", "", "x (EventMessage.0x05000123.5:291)"},
  };
}

}  // namespace

TEST(FXErrorItemTyped, TextsInEveryFormat) {
  for (const TextRow& row : Rows()) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.full, row.item->AsString());
    EXPECT_EQ(row.full, row.item->AsString(kFull));
    EXPECT_EQ(row.full, row.item->AsString(static_cast<EErrorOutputFormat::Type>(3)));
    EXPECT_EQ(row.codeLine, row.item->AsString(kCode));
    EXPECT_EQ(row.describedLine, row.item->AsString(kDescription));
  }
}

// A copy renders like the original and has its type; parameters stay behind except on the
// plain event-message item, whose parameters are its message arguments.
TEST(FXErrorItemTyped, CopyKeepsTypeAndTextsNotParameters) {
  for (const TextRow& row : Rows()) {
    SCOPED_TRACE(row.name);
    *row.item << 42;
    const FXErrorItemPtr copy = row.item->Copy();
    ASSERT_TRUE(copy);
    EXPECT_NE(row.item.get(), copy.get());
    const FXErrorItem& original = *row.item;
    const FXErrorItem& copied = *copy;
    EXPECT_EQ(typeid(original), typeid(copied));
    for (EErrorOutputFormat format : {kFull, kCode, kDescription})
      EXPECT_EQ(row.item->AsString(format), copy->AsString(format));
    const bool keepsArguments = typeid(copied) == typeid(FXErrorItemEventMessage);
    EXPECT_EQ(keepsArguments ? 1u : 0u, copy->GetParameters().size());
  }
}

TEST(FXErrorItemTyped, DescribedItemIsAnItemOfItsKind) {
  const FXErrorItemPtr item = boost::make_shared<FXErrorItemSQLiteDescription>(kLoc, 5, "x");
  const auto plain = boost::dynamic_pointer_cast<FXErrorItemSQLite>(item);
  ASSERT_TRUE(plain);
  EXPECT_EQ(5, plain->GetCode());
  EXPECT_FALSE(boost::dynamic_pointer_cast<FXErrorItemErrNo>(item));
}

TEST(FXErrorItemTyped, ChainTextsThroughCYqError) {
  const FXCodeLocation open = {"f.cpp", "CYqError Foo::Open(const std::string&)", 212};
  const FXCodeLocation run = {"f.cpp", "void Caller::Run()", 40};
  CYqError error = FXErrorUtil::ErrorErrNo(open, 2);
  error.Push(run);
  EXPECT_EQ("0xECCC0002:{Caller::Run(40)} + {Foo::Open(212)/ErrNo.2.(No such file or directory)}",
            error.AsString());
  EXPECT_EQ("No such file or directory (ErrNo.2)", error.AsString(kCode));
  const CYqError described = FXErrorUtil::ErrorWin32(open, 87, "name=%s", "a");
  EXPECT_EQ("The parameter is incorrect. (ERROR_INVALID_PARAMETER.87), name=a (W32.87)",
            described.AsString(kDescription));
  EXPECT_EQ("The parameter is incorrect. (ERROR_INVALID_PARAMETER.87) (W32.87)",
            described.AsString(kCode));
}
