// Runs one suite (window, page, text, extras) or, with no name, all of them.
#include <QApplication>
#include <QTest>
#include <cstring>
#include <vector>

#include "app_tests.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  const char* suite = nullptr;
  std::vector<char*> args(argv, argv + argc);
  if (args.size() > 1 && args[1][0] != '-') {
    suite = args[1];
    args.erase(args.begin() + 1);
  }
  const auto wanted = [suite](const char* name) { return !suite || std::strcmp(suite, name) == 0; };

  int failures = 0;
  int ran = 0;
  const int count = static_cast<int>(args.size());
  if (wanted("text")) {
    TextTest test;
    failures += QTest::qExec(&test, count, args.data());
    ++ran;
  }
  if (wanted("page")) {
    PageTest test;
    failures += QTest::qExec(&test, count, args.data());
    ++ran;
  }
  if (wanted("window")) {
    WindowTest test;
    failures += QTest::qExec(&test, count, args.data());
    ++ran;
  }
  if (wanted("extras")) {
    ExtrasTest test;
    failures += QTest::qExec(&test, count, args.data());
    ++ran;
  }
  if (ran == 0) return 2;  // no such suite
  return failures == 0 ? 0 : 1;
}
