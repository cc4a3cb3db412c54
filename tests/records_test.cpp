#include "records/host_text_file.h"
#include "records/route.h"
#include "records/tp_entry.h"

#include "tests/temp_file.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

struct CountedEntry : FIO_TPEntry {  // counts its destructions, to see who deletes the points
  explicit CountedEntry(int* deleted) : deleted(deleted) {}
  ~CountedEntry() override { ++*deleted; }
  int* deleted;
};

TEST(FIO_Route, OwnsItsPointsAndDeletesThemOnceThroughTheVirtualDestructor) {
  int deleted = 0;
  {
    FIO_Route route, assigned;
    route.points = {new CountedEntry(&deleted), new CountedEntry(&deleted)};
    FIO_Route moved(std::move(route));
    assigned.points.push_back(new CountedEntry(&deleted));
    assigned = std::move(moved);
    EXPECT_EQ(deleted, 1) << "assignment releases the points it replaces";
    AppendRoutePoint(assigned, CStringA("a\0b", 3), 50.5F, -7.25F, kFIOPointKindOmittable);
    const FIO_TPEntry& p = *assigned.points.back();  // a new record's values, but these
    EXPECT_EQ(p.name, std::string("a\0b", 3));
    EXPECT_EQ(p.latitude, 50.5F);
    EXPECT_EQ(p.longitude, -7.25F);
    EXPECT_EQ(p.kind, kFIOPointKindOmittable);
    EXPECT_EQ(p.number, -1);
    EXPECT_EQ(p.hostCategory, 5);
  }
  EXPECT_EQ(deleted, 3);
}

TEST(CHostTextFile, CountsLinesReadAndRestartsAtTheBeginning) {
  TempFile file("one\ntwo");
  CHostTextFile host(file.path(), CFile::modeRead | CFile::typeText);
  CStringA line;
  while (host.ReadString(line)) {
  }
  EXPECT_EQ(host.lineNumber, 2) << "the end of the file is no line";
  host.Seek(4, CFile::begin);
  EXPECT_EQ(host.lineNumber, 2) << "only the beginning resets the count";
  host.Seek(0, CFile::begin);
  EXPECT_EQ(host.lineNumber, 0);
}

}  // namespace
