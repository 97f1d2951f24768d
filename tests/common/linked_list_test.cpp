// The decoder's sequence container: cursor bookkeeping, ordering, copies and misuse.
#include "pdf417/common/linked_list.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace pdf417 {
namespace {

std::vector<int> Values(LinkedList<int>& list) {
  std::vector<int> out;
  for (list.Reset(0); !list.AtEnd(); list.Advance()) out.push_back(list.Data());
  return out;
}

LinkedList<int> ListOf(std::initializer_list<int> values) {
  LinkedList<int> list;
  for (int v : values) list.Append(v);
  return list;
}

// Redirects std::cerr into a string for the lifetime of the object.
class CerrCapture {
 public:
  CerrCapture() : old_(std::cerr.rdbuf(buffer_.rdbuf())) {}
  ~CerrCapture() { std::cerr.rdbuf(old_); }
  CerrCapture(const CerrCapture&) = delete;
  CerrCapture& operator=(const CerrCapture&) = delete;
  std::string Text() const { return buffer_.str(); }

 private:
  std::ostringstream buffer_;
  std::streambuf* old_;
};

// Runs f and returns the message of the ContainerMisuse error it throws.
template <typename F>
std::string MisuseMessage(F f) {
  try {
    f();
  } catch (const Error& e) {
    EXPECT_EQ(e.code(), ErrorCode::ContainerMisuse);
    return e.what();
  }
  ADD_FAILURE() << "no error thrown";
  return {};
}

// Checks the cursor index and whether it stands past the end.
void ExpectCursor(LinkedList<int>& list, int index, bool atEnd) {
  EXPECT_EQ(list.CursorIndex(), index);
  EXPECT_EQ(list.AtEnd(), atEnd);
}

TEST(LinkedList, NewAndClearedListsAreEmptyWithPositionMinusOne) {
  LinkedList<int> list;
  EXPECT_EQ(list.Size(), 0);
  ExpectCursor(list, -1, true);
  list.Append(1);
  list.Append(2);
  list.Clear();
  EXPECT_EQ(list.Size(), 0);
  ExpectCursor(list, -1, true);
  list.Append(7);  // still usable after Clear
  EXPECT_EQ(Values(list), std::vector<int>{7});
}

TEST(LinkedList, AppendMovesCursorOntoNewElement) {
  LinkedList<int> list;
  list.Append(10);
  ExpectCursor(list, 0, false);
  EXPECT_EQ(list.Data(), 10);
  list.Append(20);
  ExpectCursor(list, 1, false);
  EXPECT_EQ(list.Data(), 20);
  list.Reset(0);
  list.Append(30);  // from the front, still lands on the new last element
  ExpectCursor(list, 2, false);
  EXPECT_EQ(list.Data(), 30);
  EXPECT_EQ(Values(list), (std::vector<int>{10, 20, 30}));
}

TEST(LinkedList, ResetAndAdvanceWalkTheList) {
  LinkedList<int> list = ListOf({1, 2, 3});
  list.Reset(2);
  ExpectCursor(list, 2, false);
  EXPECT_EQ(list.Data(), 3);
  list.Reset(1);
  EXPECT_EQ(list.Data(), 2);
  list.Reset();
  ExpectCursor(list, 0, false);
  list.Advance();
  list.Advance();
  list.Advance();
  ExpectCursor(list, 3, true);
  list.Advance();  // past the end nothing changes
  ExpectCursor(list, 3, true);
}

TEST(LinkedList, DataIsWritableInPlace) {
  LinkedList<int> list = ListOf({1, 2, 3});
  list.Reset(1);
  list.Data() = 42;
  EXPECT_EQ(Values(list), (std::vector<int>{1, 42, 3}));
}

TEST(LinkedList, BadResetWritesMessageAndKeepsCursor) {
  LinkedList<int> list = ListOf({1, 2, 3});
  list.Reset(1);
  {
    CerrCapture capture;
    list.Reset(3);
    list.Reset(-1);
    EXPECT_EQ(capture.Text(),
              "Reset: Invalid list position: 3\nReset: Invalid list position: -1\n");
  }
  ExpectCursor(list, 1, false);
  EXPECT_EQ(list.Data(), 2);
}

TEST(LinkedList, ResetOnEmptyListIsSilent) {
  LinkedList<int> list;
  CerrCapture capture;
  list.Reset(0);
  list.Reset(5);
  EXPECT_EQ(capture.Text(), "");
  ExpectCursor(list, -1, true);
}

TEST(LinkedList, MisuseThrowsWithFixedMessages) {
  LinkedList<int> empty;
  EXPECT_EQ(MisuseMessage([&] { empty.Data(); }), "Data: invalid reference!");
  EXPECT_EQ(MisuseMessage([&] { empty.RemoveAtCursor(); }), "Invalid deletion!");
  EXPECT_EQ(MisuseMessage([&] { empty.RemoveFirst(); }), "Invalid deletion!");

  LinkedList<int> list = ListOf({1, 2});
  list.Reset(1);
  list.Advance();
  EXPECT_EQ(MisuseMessage([&] { list.Data(); }), "Data: invalid reference!");
  EXPECT_EQ(MisuseMessage([&] { list.RemoveAtCursor(); }), "Invalid deletion!");
  // The failed calls left the list intact.
  EXPECT_EQ(Values(list), (std::vector<int>{1, 2}));

  MyLinkedList<OccurCnt> votes;
  EXPECT_EQ(MisuseMessage([&] { votes.SetAtCursor(1, 2); }), "Data: invalid reference!");
}

TEST(LinkedList, InsertBeforeCursorInTheMiddleKeepsPosition) {
  LinkedList<int> list = ListOf({1, 2, 3});
  list.Reset(1);
  list.InsertBeforeCursor(9);
  ExpectCursor(list, 1, false);
  EXPECT_EQ(list.Data(), 9);
  list.Advance();
  EXPECT_EQ(list.Data(), 2);  // the old cursor element moved one place back
  EXPECT_EQ(Values(list), (std::vector<int>{1, 9, 2, 3}));
  EXPECT_EQ(list.Size(), 4);
}

TEST(LinkedList, InsertBeforeCursorAtHeadMakesNewHead) {
  LinkedList<int> list = ListOf({1, 2});
  list.Reset(0);
  list.InsertBeforeCursor(0);
  ExpectCursor(list, 0, false);
  EXPECT_EQ(list.Data(), 0);
  EXPECT_EQ(Values(list), (std::vector<int>{0, 1, 2}));
}

TEST(LinkedList, InsertBeforeCursorPastTheEndAppends) {
  LinkedList<int> list = ListOf({1, 2});
  list.Reset(1);
  list.Advance();
  list.InsertBeforeCursor(3);
  ExpectCursor(list, 2, false);
  EXPECT_EQ(list.Data(), 3);
  // The new cell is the tail: a following Append goes behind it.
  list.Append(4);
  EXPECT_EQ(Values(list), (std::vector<int>{1, 2, 3, 4}));
}

TEST(LinkedList, InsertBeforeCursorOnEmptyListBehavesLikeAppend) {
  LinkedList<int> list;
  list.InsertBeforeCursor(5);
  ExpectCursor(list, 0, false);
  list.Append(6);
  EXPECT_EQ(Values(list), (std::vector<int>{5, 6}));
}

TEST(LinkedList, InsertFront) {
  LinkedList<int> empty;
  empty.InsertFront(1);
  ExpectCursor(empty, 0, false);
  EXPECT_EQ(empty.Size(), 1);
  empty.Append(2);  // head and tail were both set
  EXPECT_EQ(Values(empty), (std::vector<int>{1, 2}));

  LinkedList<int> list = ListOf({2, 3});
  list.Reset(1);
  list.InsertFront(1);
  ExpectCursor(list, 0, false);
  EXPECT_EQ(list.Data(), 1);
  EXPECT_EQ(Values(list), (std::vector<int>{1, 2, 3}));
}

TEST(LinkedList, RemoveAtCursorAtHeadMiddleAndTail) {
  LinkedList<int> list = ListOf({1, 2, 3, 4});
  list.Reset(0);
  list.RemoveAtCursor();  // head
  ExpectCursor(list, 0, false);
  EXPECT_EQ(list.Data(), 2);
  EXPECT_EQ(list.Size(), 3);

  list.Reset(1);
  list.RemoveAtCursor();  // middle: the next element takes the index
  ExpectCursor(list, 1, false);
  EXPECT_EQ(list.Data(), 4);
  EXPECT_EQ(Values(list), (std::vector<int>{2, 4}));

  list.Reset(1);
  list.RemoveAtCursor();  // tail: the cursor stands past the end, its index one lower
  ExpectCursor(list, 0, true);
  EXPECT_EQ(list.Size(), 1);
  list.Append(5);  // the tail was moved back correctly
  EXPECT_EQ(Values(list), (std::vector<int>{2, 5}));

  list.Reset(1);
  list.RemoveAtCursor();
  list.InsertBeforeCursor(6);  // past the end after removing the tail: appends
  ExpectCursor(list, 1, false);
  EXPECT_EQ(Values(list), (std::vector<int>{2, 6}));
}

TEST(LinkedList, RemovingTheOnlyElementEmptiesTheList) {
  LinkedList<int> list = ListOf({1});
  list.RemoveAtCursor();
  EXPECT_EQ(list.Size(), 0);
  ExpectCursor(list, -1, true);
  list.Append(2);
  EXPECT_EQ(Values(list), std::vector<int>{2});
}

TEST(LinkedList, RemoveFirst) {
  LinkedList<int> list = ListOf({1, 2, 3});
  list.Reset(2);
  EXPECT_EQ(list.RemoveFirst(), 1);
  ExpectCursor(list, 0, false);
  EXPECT_EQ(list.Data(), 2);
  EXPECT_EQ(list.RemoveFirst(), 2);
  EXPECT_EQ(list.RemoveFirst(), 3);
  EXPECT_EQ(list.Size(), 0);
  ExpectCursor(list, -1, true);
}

TEST(LinkedList, CopiesAreDeepAndEndOnTheLastElement) {
  LinkedList<int> source = ListOf({1, 2, 3});
  source.Reset(0);
  LinkedList<int> copy(source);
  ExpectCursor(copy, 2, false);
  EXPECT_EQ(copy.Data(), 3);
  copy.Data() = 30;
  copy.Append(4);
  EXPECT_EQ(Values(source), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(Values(copy), (std::vector<int>{1, 2, 30, 4}));

  LinkedList<int> assigned = ListOf({9, 9, 9, 9, 9});
  assigned.Assign(source);
  ExpectCursor(assigned, 2, false);
  EXPECT_EQ(Values(assigned), (std::vector<int>{1, 2, 3}));

  LinkedList<int> empty;
  assigned = empty;
  EXPECT_EQ(assigned.Size(), 0);
  ExpectCursor(assigned, -1, true);

  LinkedList<int> fromEmpty(empty);
  ExpectCursor(fromEmpty, -1, true);
}

TEST(LinkedList, AssignToSelfChangesNothing) {
  LinkedList<int> list = ListOf({1, 2, 3});
  list.Reset(1);
  list.Assign(list);
  ExpectCursor(list, 1, false);
  EXPECT_EQ(list.Data(), 2);
  LinkedList<int>& alias = list;
  list = alias;
  EXPECT_EQ(Values(list), (std::vector<int>{1, 2, 3}));
}

TEST(LinkedList, MoveLeavesSourceEmpty) {
  LinkedList<int> source = ListOf({1, 2});
  source.Reset(1);
  LinkedList<int> moved(std::move(source));
  ExpectCursor(moved, 1, false);
  EXPECT_EQ(moved.Data(), 2);
  EXPECT_EQ(source.Size(), 0);  // a moved-from list is empty and usable
  ExpectCursor(source, -1, true);
  source.Append(3);
  EXPECT_EQ(Values(source), std::vector<int>{3});
}

std::vector<AryRegion> Regions(LinkedList<AryRegion>& list) {
  std::vector<AryRegion> out;
  for (list.Reset(0); !list.AtEnd(); list.Advance()) out.push_back(list.Data());
  return out;
}

TEST(LinkedList, InsertOrderedIsAscendingAndPutsNewcomersBeforeEqualLengths) {
  LinkedList<AryRegion> list;
  list.InsertOrdered({0, 4, 5});
  list.InsertOrdered({10, 12, 3});
  list.InsertOrdered({20, 24, 5});
  list.InsertOrdered({30, 30, 1});
  const std::vector<AryRegion> r = Regions(list);
  ASSERT_EQ(r.size(), 4u);
  EXPECT_EQ(r[0].first, 30);
  EXPECT_EQ(r[1].first, 10);
  EXPECT_EQ(r[2].first, 20);        // the second 5
  EXPECT_EQ(r[3].first, 0);         // the first 5
  list.InsertOrdered({40, 48, 9});  // longest: goes to the end
  EXPECT_EQ(Regions(list).back().first, 40);
  EXPECT_EQ(list.Size(), 5);
}

TEST(LinkedList, SetAtCursorOverwritesBothFields) {
  MyLinkedList<OccurCnt> votes;
  votes.Append({0, 3});
  votes.Append({1, 5});
  votes.Reset(0);
  votes.SetAtCursor(4, 7);
  EXPECT_EQ(votes.Data().count, 4);
  EXPECT_EQ(votes.Data().key, 7);
  votes.Advance();
  EXPECT_EQ(votes.Data().key, 5);
}

}  // namespace
}  // namespace pdf417
