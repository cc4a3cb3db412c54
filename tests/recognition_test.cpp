// The recognisers of the format table: the first bytes of other programs' files, or of files that
// only look like a format's, are told as the format they are or as none. (That each row's own files
// are told as its own, koordin_recognition_test checks end to end.)

#include "koordin/layout.h"
#include "tools/koordin/formats/format_support.h"
#include "tools/koordin/formats/formats.h"

#include "tests/document_testing.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace koordin_cli {
namespace {

// The name of the format that `head` is told as, or "none".
std::string Told(std::string_view head) {
  const FileFormat* format = FormatOfContent(head);
  return format == nullptr ? "none" : format->name;
}

TEST(Recognition, TellsFilesByTheirFirstBytesOrNotAtAll) {
  const std::string koordin = std::string(koordin::kHeaderLine1) + "\n" + koordin::kHeaderLine2;
  const std::string cupHeader = "name,code,country,lat,lon,elev,style\r\n";
  const std::pair<std::string, std::string> cases[] = {
      {"", "none"},
      {koordin + "\n", "lst"},
      {koordin + "\r\n" + std::string(20, ' ') + "\r\n", "lst"},
      {koordin, "lst"},  // the header, the whole file
      {"\xEF\xBB\xBF" + koordin + "\n", "none"},
      {std::string(koordin::kHeaderLine1) + "\nv2.1\n", "none"},
      {cupHeader + "\"Hahnweide\",HAHN,DE,4837.833N,00925.817E,350.0m,4\r\n", "cup"},
      {"* comment\r\n\r\n" + cupHeader + "Alpha,,,5030.000N,00715.000W\r\n", "cup"},
      {"Hahnweide,HAHN,DE,4837.833N,00925.817E,350.0m,4\r\n", "cup"},  // no header
      {cupHeader, "none"},                                             // nothing to tell it by
      {cupHeader + "Alpha,,,50.5,7.25\r\n", "none"},
      {"name,latitude,longitude\r\nAlpha,50.5,7.25\r\n", "csv"},
      {"\"Name\",\"Latitude\", Longitude ,Notes\r\n", "csv"},
      {"Name,Lat,Lon\r\nAlpha,50.5,7.25\r\n", "none"},
      {"<?xml version=\"1.0\"?>\n<!-- by hand -->\n<!DOCTYPE gpx>\n<gpx version=\"1.1\">", "gpx"},
      {"\xEF\xBB\xBF<gpx:gpx xmlns:gpx=\"http://www.topografix.com/GPX/1/1\">", "gpx"},
      {"<?xml version=\"1.0\"?>\n<kml>", "none"},
      {"<gpxdata>", "none"},
      {"<?xml version=\"1.0\"", "none"},  // cut in its declaration
      {"{\"waypoints\": []}", "json"},
      {" \n{\n  \"tasks\": [", "json"},
      {"{\"type\": \"FeatureCollection\"}", "none"},
      {"[{\"waypoints\": []}]", "none"},
      {"OziExplorer Waypoint File Version 1.1\r\nWGS 84\r\n", "ozi"},
      {"OZIEXPLORER WAYPOINT FILE VERSION 1.0\n", "ozi"},
      {"OziExplorer Track Point File Version 2.1\r\n", "none"},
      {"G  WGS 84\r\nU  1\r\nW  A A 1ºN 1ºE\r\n", "compegps"},
      {"B  UTF-8\nG  WGS 84\nU  0\n", "compegps"},
      {"G  WGS 84\r\n", "none"},
      {"Gliding sites\r\nUpdated 2024\r\n", "none"},
      {std::string("PK\x03\x04\x14\0\0\0", 8), "cupx"},
      {"PK\x05\x06", "none"},  // an empty archive holds no CUP file
      {"<?xml version=\"1.0\"?>\n<Task type=\"RT\">", "tsk"},
      {"<task>", "none"},
      {"* WinPilot\r\n\r\n1,48:36:12N,009:16:48E,350M,AT,Hahnweide,\r\n", "dat"},
      {"12,48:36.200N,009:16.800E,1148F,L,Teck", "dat"},
      {"1,48:36:12,009:16:48E,350M,AT,Hahnweide\r\n", "none"},  // no hemisphere
      {"1,48:36:12N,009:16:48E,350M\r\n", "none"},              // no name
      {"A1,48:36:12N,009:16:48E,350M,AT,Hahnweide\r\n", "none"},
  };
  for (const auto& [head, told] : cases) EXPECT_EQ(Told(head), told) << head;
}

TEST(HeadLines, SplitsAtEveryLineEndAndCutsNothingButTheMark) {
  using Lines = std::vector<std::string_view>;
  EXPECT_EQ(HeadLines("\xEF\xBB\xBFz\r\ny\rx\nw", 9), (Lines{"z", "y", "x", "w"}));
  EXPECT_EQ(HeadLines("a\n\nb\n", 9), (Lines{"a", "", "b"}));
  EXPECT_EQ(HeadLines("a\nb\nc\n", 2), (Lines{"a", "b"}));
  EXPECT_EQ(HeadLines("", 2), Lines{});
}

}  // namespace
}  // namespace koordin_cli
