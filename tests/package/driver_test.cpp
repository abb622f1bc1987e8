#include "package/driver.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Driver, DestinationsAreResolvedAgainstTheArchivesFolder) {
  struct Case {
    const wchar_t* typed;
    const wchar_t* expected;  // nullptr: refused
  } cases[] = {
      {L"", L"C:\\a\\b\\"},
      {L"out", L"C:\\a\\b\\out\\"},
      {L".\\out", L"C:\\a\\b\\out\\"},
      {L"\\out", L"C:\\a\\b\\out\\"},
      {L"..\\out", L"C:\\a\\out\\"},
      {L"..\\..\\out", L"C:\\out\\"},
      {L"..\\..\\..\\out", nullptr},
      {L"D:\\x/y/", L"D:\\x\\y\\"},
      {L"\\\\server\\share", L"\\\\server\\share\\"},
      {L"sub\\dir  ", L"sub\\dir\\"},
      {L"D:", L"D:\\"},
      {L"out*", nullptr},
      {L"C:\\a|b", nullptr},
  };
  for (const Case& c : cases) {
    wchar_t out[MAX_PATH];
    int ok = NormaliseDestination(c.typed, L"C:\\a\\b\\", out, MAX_PATH);
    EXPECT_EQ(ok, c.expected ? 1 : 0) << "case " << (&c - cases);
    if (ok && c.expected) {
      EXPECT_STREQ(out, c.expected);
    }
  }
}

}  // namespace
