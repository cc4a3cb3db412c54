// WinPilot waypoints and an XCSoar task into the instrument, as a pilot converts them: the same
// KOORDIN file and the same plan as from a CUP file that holds the same.

#include "tests/koordin_testing.h"

#include <gtest/gtest.h>

#include <string>

namespace koordin_testing {
namespace {

// The same sites on the same lines: a turnpoint first, then two places to land. 1411 ft are
// 430.0728 m, 48:46:40.8N is 4846.680N.
const std::string kDat =
    "* the sites of same.cup, line for line\r\n"
    "1,47:30.000N,009:00.000E,700M,T,Gipfel,\r\n"
    "2,48:37:48N,009:25:48E,353M,ATLH,Hahnweide,Segelfluggelaende\r\n"
    "3,48:46:40.8N,010:15:50.4E,1411F,TL,Aalen Acker,\r\n";
const std::string kCup =
    "name,lat,lon,elev,style,desc\r\n"
    "Gipfel,4730.000N,00900.000E,700m,1,\r\n"
    "Hahnweide,4837.800N,00925.800E,353m,5,Segelfluggelaende\r\n"
    "Aalen Acker,4846.680N,01015.840E,430.0728m,3,\r\n";
// The task of the file below, its points in the order it flies them.
const std::string kCupTask =
    "name,lat,lon,elev,style,desc\r\n"
    "Hahnweide,4837.800N,00925.800E,353m,5,Segelfluggelaende\r\n"
    "Aalen Acker,4846.680N,01015.840E,430.0728m,3,\r\n"
    "Gipfel,4730.000N,00900.000E,700m,1,\r\n"
    "-----Related Tasks-----\r\n"
    "\"Hahnweide - Aalen Acker - Gipfel\",\"\",\"Hahnweide\",\"Aalen Acker\",\"Gipfel\",\"\"\r\n";

// The point of a task file of `type` at a site of the files above.
std::string Point(const std::string& type, const std::string& waypoint) {
  return "  <Point type=\"" + type + "\">\n    " + waypoint +
         "\n    <ObservationZone type=\"Cylinder\" radius=\"500\"/>\n  </Point>\n";
}

// As XCSoar writes it, without a name.
const std::string kTsk =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Task type=\"RT\" aat_min_time=\"10800\">\n" +
    Point("Start",
          "<Waypoint name=\"Hahnweide\" id=\"1\" comment=\"\" altitude=\"353\"><Location "
          "latitude=\"48.63\" longitude=\"9.43\"/></Waypoint>") +
    Point("Turn",
          "<Waypoint name=\"Aalen Acker\" id=\"2\" comment=\"\" altitude=\"430.0728\"><Location "
          "latitude=\"48.778\" longitude=\"10.264\"/></Waypoint>") +
    Point("Finish",
          "<Waypoint name=\"Gipfel\" id=\"3\" comment=\"\" altitude=\"700\"><Location "
          "latitude=\"47.5\" longitude=\"9\"/></Waypoint>") +
    "</Task>\n";

TEST(KoordinPilotFiles, WinPilotWaypointsGoInAsTheSameCupWaypointsDo) {
  TempDir dir;
  dir.Write("x.dat", kDat);
  dir.Write("same.cup", kCup);
  ExpectSession(
      dir,
      {{"koordin convert x.dat d.lst && koordin convert same.cup c.lst && cmp d.lst c.lst", 0,
        "d.lst: 3 turnpoints, 0 routes\nc.lst: 3 turnpoints, 0 routes\n",
        "x.dat: warning: line 3: 1 waypoints flagged H (home): koordin has no place for the "
        "flag\n1 warning\n"},
       {"koordin dump d.lst", 0,
        "slot  name          latitude              longitude               alt m  freq  marker\n"
        "   1  Gipfel       47.500000  47°30'00\"N   9.000000  009°00'00\"E    700\n"
        "   2  Hahnweide    48.630000  48°37'48\"N   9.430000  009°25'48\"E    353\n"
        "   3  Aalen Acker  48.778056  48°46'41\"N  10.263889  010°15'50\"E    430\n\n"
        "route  name  points\n",
        ""},
       // The flags are styles: the places to land go in first, and --style chooses by them.
       {"awk 'BEGIN { for (i = 1; i <= 256; i++) printf \"%d,48:00:00N,009:00:00E,500M,T,WP "
        "%03d,\\r\\n\", i, i; print \"257,48:30:00N,009:30:00E,400M,L,Wiese,\" }' >full.dat && "
        "koordin convert full.dat p.lst --dry-run --quiet | tail -4",
        0,
        " 255     -  WP 255  48.000000   9.000000  no slot left\n"
        " 256     -  WP 256  48.000000   9.000000  no slot left\n"
        " 257   255  Wiese   48.500000   9.500000\n"
        "255 of 257 turnpoints kept, 0 of 0 routes kept; nothing written (--dry-run)\n",
        ""},
       {"for f in x.dat same.cup; do koordin convert $f p.lst --style airfield --near Gipfel "
        "--dry-run --quiet >$f.plan; done; cmp x.dat.plan same.cup.plan && tail -1 x.dat.plan",
        0, "1 of 3 turnpoints kept, 0 of 0 routes kept; nothing written (--dry-run)\n", ""}});
}

TEST(KoordinPilotFiles, AnXcsoarTaskGoesInAsTheSameCupTaskDoes) {
  TempDir dir;
  dir.Write("x.tsk", kTsk);
  dir.Write("same.cup", kCupTask);
  ExpectSession(
      dir,
      {{"koordin convert x.tsk t.lst && koordin convert same.cup c.lst 2>/dev/null && cmp t.lst "
        "c.lst",
        0, "t.lst: 3 turnpoints, 1 route\nc.lst: 3 turnpoints, 1 route\n",
        "x.tsk: warning: line 2: task \"Hahnweide - Aalen Acker - Gipfel\": its rules are not "
        "read: aat_min_time\n"
        "x.tsk: warning: line 5: task \"Hahnweide - Aalen Acker - Gipfel\": its 3 observation "
        "zones, such as \"Cylinder\", are not read\nt.lst: warning: route \"Hahnweide - Aalen "
        "Acker - Gipfel\": name cut to 19 characters: \"Hahnweide - Aalen A\"\n3 warnings\n"},
       {"koordin dump t.lst | tail -2", 0,
        "route  name                 points\n"
        "    1  Hahnweide - Aalen A  Hahnweide > Aalen Acker > Gipfel\n",
        ""},
       {"koordin convert x.tsk p.lst --dry-run --quiet", 0,
        "turnpoints for lst (the routes' first, then landing places, then others; each in file "
        "order):\n"
        "line  slot  name          latitude  longitude  dropped because\n"
        "   4     1  Hahnweide    48.630000   9.430000\n"
        "   8     2  Aalen Acker  48.778000  10.264000\n"
        "  12     3  Gipfel       47.500000   9.000000\n"
        "routes for lst:\n"
        "source  slot  name                              dropped because\n"
        "     1     1  Hahnweide - Aalen Acker - Gipfel\n"
        "3 of 3 turnpoints kept, 1 of 1 routes kept; nothing written (--dry-run)\n",
        ""},
       // And back to the tools pilots fly with: the KOORDIN file into a task for XCSoar.
       {"koordin convert t.lst back.tsk --quiet && koordin convert back.tsk back.lst --quiet && "
        "cmp back.lst t.lst && grep -c '<Point type=' back.tsk",
        0, "back.tsk: 3 turnpoints, 1 route\nback.lst: 3 turnpoints, 1 route\n3\n", ""}});
}

// GPSBabel's "cambridge" format is WinPilot's: each reads every name and place the other writes of
// the example.
TEST(KoordinPilotFiles, GpsbabelAndKoordinReadEachOthersWinPilotFiles) {
  ExpectGpsbabelReadsBothWays("cambridge", "sites.dat");
}

}  // namespace
}  // namespace koordin_testing
