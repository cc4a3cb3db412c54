// OziExplorer and CompeGPS waypoints into the instrument, as a pilot converts them: the same
// KOORDIN file and the same plan as from a CUP file that holds the same; each told by its content,
// whatever its extension; GPSBabel reads koordin's OziExplorer files and koordin reads GPSBabel's.

#include "tests/koordin_testing.h"

#include <gtest/gtest.h>

#include <string>

namespace koordin_testing {
namespace {

const std::string kOziHeader =
    "OziExplorer Waypoint File Version 1.1\r\nWGS 84\r\nReserved 2\r\ngarmin\r\n";

// The same sites in each: a waypoint without an altitude (-777, none), one in Windows-1252, and
// 1411 ft, which are 430.0728 m.
const std::string kOzi = kOziHeader +
                         "1,Gipfel,47.500000,9.000000,,0,1,3,0,65535,,0,0,0,-777,6,0,17\r\n"
                         "2,Rh\xF6n,48.630000,9.430000,40107.95,0,1,3,0,65535,Segelfluggel\xE4nde,"
                         "0,0,0,1158.136,6,0,17\r\n"
                         "3,Aalen Acker,48.778000,10.264000,,0,1,3,0,65535,,0,0,0,1411,6,0,17\r\n";
// º (byte 186) and ° (176) in Windows-1252; no altitude where the line ends before it.
const std::string kCompeGps =
    "G  WGS 84\r\nU  1\r\n"
    "W  Gipfel A 47.5\xBAN 9.0\xBA"
    "E 27-MAR-62 00:00:00\r\n"
    "W  Rh\xF6n A 48.63\xB0N 9.43\xB0"
    "E 27-MAR-62 00:00:00 353 Segelfluggel\xE4nde\r\n"
    "W  Aalen_Acker A 48.778\xBAN 10.264\xBA"
    "E 27-MAR-62 00:00:00 430.0728\r\n";
const std::string kCup =
    "name,lat,lon,elev,desc\r\n"
    "Gipfel,4730.000N,00900.000E,,\r\n"
    "Rhön,4837.800N,00925.800E,353m,Segelfluggelände\r\n"
    "Aalen Acker,4846.680N,01015.840E,430.0728m,\r\n";

TEST(KoordinWpt, OziExplorerAndCompeGpsWaypointsGoInAsTheSameCupWaypointsDo) {
  TempDir dir;
  dir.Write("ozi.wpt", kOzi);
  dir.Write("compe.wpt", kCompeGps);
  dir.Write("same.cup", kCup);
  ExpectSession(
      dir,
      {{"koordin convert ozi.wpt o.lst && koordin convert compe.wpt g.lst && koordin convert "
        "same.cup c.lst && cmp o.lst c.lst && cmp g.lst c.lst",
        0,
        "o.lst: 3 turnpoints, 0 routes\ng.lst: 3 turnpoints, 0 routes\nc.lst: 3 turnpoints, 0 "
        "routes\n",
        "ozi.wpt: read as OziExplorer (by its content)\ncompe.wpt: read as CompeGPS (by its "
        "content)\n"},
       {"koordin dump o.lst --format csv | sed /^$/q | cut -d, -f2-4,7", 0,
        "name,latitude,longitude,altitude\n"
        "Gipfel,47.500000,9.000000,0\n"
        "Rhön,48.630000,9.430000,353\n"
        "Aalen Acker,48.778056,10.263889,430\n\n",
        ""},
       // The dry run plans them as it plans the CUP file, naming their own lines.
       {"koordin convert ozi.wpt p.lst --near Rhön --radius 100 --dry-run --quiet", 0,
        "turnpoints for lst (the routes' first, then landing places, then others; each nearest to "
        "Rhön):\n"
        "line  slot  name          latitude  longitude     km  dropped because\n"
        "   5     -  Gipfel       47.500000   9.000000  129.6  outside 100 km\n"
        "   6     1  Rhön         48.630000   9.430000    0.0\n"
        "   7     2  Aalen Acker  48.778000  10.264000   63.4\n"
        "2 of 3 turnpoints kept, 0 of 0 routes kept; nothing written (--dry-run)\n",
        "ozi.wpt: read as OziExplorer (by its content)\n"},
       {"for f in compe.wpt same.cup; do koordin convert $f p.lst --near Rhön --radius 100 "
        "--dry-run --quiet | cut -c5- >$f.plan; done; cmp compe.wpt.plan same.cup.plan && "
        "koordin convert ozi.wpt p.lst --near Rhön --radius 100 --dry-run --quiet | cut -c5- | "
        "cmp - same.cup.plan",
        0, "",
        "compe.wpt: read as CompeGPS (by its content)\nozi.wpt: read as OziExplorer (by its "
        "content)\n"}});
}

// Each .wpt told by its content, also under an extension of another format or none; --from
// decides alone; another datum, and a bad line under --strict, refused.
TEST(KoordinWpt, TellsEachByItsContentAndRefusesAnotherDatum) {
  TempDir dir;
  dir.Write("ozi.wpt", kOzi);
  dir.Write("compe.wpt", kCompeGps);
  dir.Write("ed50.wpt",
            "OziExplorer Waypoint File Version 1.1\r\nEuropean 1950\r\nReserved "
            "2\r\nReserved 3\r\n1,A,48.5,9.25\r\n");
  dir.Write("ed50.txt",
            "G  European 1950\r\nU  1\r\nW  A A 48.5\xBAN 9.25\xBA"
            "E\r\n");
  dir.Write("bad.wpt", kOziHeader + "1,A,48.5,9.25\r\n2,B,north,9.25\r\n");
  ExpectSession(
      dir,
      {{"cp ozi.wpt sites.cup && cp compe.wpt sites && koordin check sites.cup sites", 0,
        "sites.cup: 3 turnpoints, 0 routes\nsites: 3 turnpoints, 0 routes\n",
        "sites.cup: read as OziExplorer (by its content)\nsites: read as CompeGPS (by its "
        "content)\n"},
       {"koordin dump --from compegps ozi.wpt", 1, "",
        "koordin: ozi.wpt:1: not a CompeGPS file: its first line is no G line naming the datum\n"},
       {"koordin check ed50.wpt ed50.txt", 1,
        "ed50.wpt:2: datum \"European 1950\": koordin reads WGS 84 only, and shifts no "
        "coordinates from another datum\n"
        "ed50.txt:1: datum \"European 1950\": koordin reads WGS 84 only, and shifts no "
        "coordinates from another datum\n",
        "ed50.wpt: read as OziExplorer (by its content)\n"
        "ed50.txt: read as CompeGPS (by its content)\n"},
       {"koordin convert bad.wpt out.lst --strict; echo $?; test ! -e out.lst", 0, "1\n",
        "bad.wpt: read as OziExplorer (by its content)\nbad.wpt: warning: line 6: bad latitude "
        "\"north\": line skipped\n"
        "koordin: out.lst: not written: 1 warning under --strict\n"}});
}

// GPSBabel's "ozi" format: each reads every name and place the other writes of the example. (The
// GPSBabel of today has no CompeGPS format.)
TEST(KoordinWpt, GpsbabelAndKoordinReadEachOthersOziExplorerFiles) {
  ExpectGpsbabelReadsBothWays("ozi", "sites.wpt --to ozi");
}

// CompeGPS's UTM positions where GPSBabel puts them, to its six places: either side of the
// equator, at a zone's central meridian and far from it.
TEST(KoordinWpt, CompeGpsUtmReadsAsGpsbabelReadsUtm) {
  TempDir dir;
  if (RunShell(dir, "command -v gpsbabel").status != 0) GTEST_SKIP() << "gpsbabel is missing";
  dir.Write("utm.csv",
            "name,utm_z,utm_c,utm_e,utm_n\nEiffel,31,U,448251.795,5411932.678\n"
            "Oper,56,H,334873.0,6252266.0\nMittel,32,T,500000,5000000\nFern,33,N,799999,100000\n");
  dir.Write("utm.wpt",
            "G  WGS 84\r\nU  0\r\nW  Eiffel 31U 448251.795 5411932.678\r\n"
            "W  Oper 56H 334873.0 6252266.0\r\nW  Mittel 32T 500000 5000000\r\n"
            "W  Fern 33N 799999 100000\r\n");
  ExpectSession(dir, {{"gpsbabel -i unicsv -f utm.csv -o unicsv -F - | tail -n +2 | cut -d, -f2-3 "
                       ">babel.txt && koordin dump utm.wpt --format csv 2>/dev/null | sed /^$/q | "
                       "sed -n 2,5p | cut -d, -f3-4 | diff babel.txt - && wc -l <babel.txt",
                       0, "4\n", ""}});
}

}  // namespace
}  // namespace koordin_testing
