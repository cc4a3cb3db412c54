#include "records/fio_error.h"
#include "records/host_text_file.h"
#include "records/route.h"
#include "records/tp_entry.h"

#include "tests/temp_file.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

TEST(FIO_TPEntry, StartsWithTheHostsInitialValues) {
  const FIO_TPEntry tp;
  EXPECT_EQ(tp.number, -1);
  EXPECT_EQ(tp.flags, 1U);
  EXPECT_EQ(tp.kind, 1);
  EXPECT_EQ(tp.hostCategory, 5U);
  EXPECT_EQ(tp.altitude, 0);
  EXPECT_EQ(tp.latitude, 0.0F);
  EXPECT_EQ(tp.longitude, 0.0F);
  EXPECT_TRUE(tp.name.empty() && tp.shortName.empty() && tp.comment.empty() &&
              tp.frequency.empty() && tp.items.empty());
}

// A turnpoint that counts its destructions, to see who deletes the route's points.
struct CountedEntry : FIO_TPEntry {
  explicit CountedEntry(int* deleted) : deleted(deleted) {}
  ~CountedEntry() override { ++*deleted; }
  int* deleted;
};

TEST(FIO_Route, DeletesItsPointsOnceThroughTheVirtualDestructor) {
  int deleted = 0;
  {
    FIO_Route route;
    route.points.push_back(new CountedEntry(&deleted));
    route.points.push_back(new CountedEntry(&deleted));
    FIO_Route moved(std::move(route));
    EXPECT_TRUE(route.points.empty());  // NOLINT(bugprone-use-after-move): moved-from is empty
    FIO_Route assigned;
    assigned.points.push_back(new CountedEntry(&deleted));
    assigned = std::move(moved);
    EXPECT_EQ(deleted, 1) << "assignment releases the points it replaces";
    EXPECT_EQ(assigned.points.size(), 2U);
  }
  EXPECT_EQ(deleted, 3);
}

TEST(AppendRoutePoint, AppendsANewPointAfterTheExistingOnes) {
  FIO_Route route;
  AppendRoutePoint(route, "First", 0.0F, 0.0F, 1);
  AppendRoutePoint(route, "Second", 50.5F, -7.25F, 3);
  ASSERT_EQ(route.points.size(), 2U);
  const FIO_TPEntry& second = *route.points[1];
  EXPECT_EQ(route.points[0]->name, "First");
  EXPECT_EQ(second.name, "Second");
  EXPECT_EQ(second.latitude, 50.5F);
  EXPECT_EQ(second.longitude, -7.25F);
  EXPECT_EQ(second.kind, 3);
  EXPECT_EQ(second.number, -1);
  EXPECT_EQ(second.flags, 1U);

  AppendRoutePoint(route, CStringA("a\0b", 3), 0.0F, 0.0F, 1);
  EXPECT_EQ(route.points[2]->name, std::string("a\0b", 3)) << "every byte of the name is kept";
}

TEST(FIO_Error, CopiesEveryField) {
  const FIO_Error original(-2, "bad latitude", 16, 0);
  const FIO_Error copy = original;  // NOLINT(performance-unnecessary-copy-initialization)
  EXPECT_EQ(copy.message, "bad latitude");
  EXPECT_EQ(copy.line, 16);
  EXPECT_EQ(copy.code, -2);
  EXPECT_EQ(copy.info, 0);
}

TEST(CHostTextFile, CountsLinesReadAndRestartsAtTheBeginning) {
  TempFile file("one\ntwo\nthree");
  CHostTextFile host(file.path(), CFile::modeRead | CFile::typeText);
  CStringA line;
  EXPECT_EQ(host.lineNumber, 0);
  host.ReadString(line);
  host.ReadString(line);
  EXPECT_EQ(host.lineNumber, 2);
  EXPECT_TRUE(host.ReadString(line));
  EXPECT_EQ(line, "three");
  EXPECT_FALSE(host.ReadString(line));
  EXPECT_EQ(host.lineNumber, 3) << "the end of the file is no line";
  host.Seek(4, CFile::begin);
  EXPECT_EQ(host.lineNumber, 3) << "only the beginning resets the count";
  host.Seek(0, CFile::begin);
  EXPECT_EQ(host.lineNumber, 0);
}

}  // namespace
