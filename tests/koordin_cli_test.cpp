// koordin as a user runs it: shell sessions in a folder of their own, each command with the exit
// status, standard output and standard error it must give, and the files it must leave.

#include "tests/koordin_testing.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

namespace koordin_testing {
namespace {

constexpr const char* kCupHeader = "name,lat,lon,elev,freq\r\n";

// Three turnpoints and two routes, one with a point that is no turnpoint. In the KOORDIN file
// slot 1 (Alpha) begins at line 3, slot 3 (Gamma) at line 15 and route slot 2 at line 1549.
const std::string kGoodCup = std::string(kCupHeader) +
                             "Alpha,5030.000N,00715.000W,120m,\nBeta,4700.000N,01130.500E,1500m,"
                             "122.500\nGamma,4610.000N,00900.000E,400m,\n-----Related Tasks-----\n"
                             "Runde,,Beta,Gamma,\nIrrweg,,Nirgends,\n";
const std::string kIrrweg =
    ": warning: line 1549: route \"Irrweg\": point \"Nirgends\" matches no turnpoint\n";

TEST(Koordin, ChecksListsAndDescribes) {
  TempDir dir;
  dir.Write("good.cup", kGoodCup);
  const std::string blanks(15, ' '), xs(80, 'x');
  dir.Write("long.lst", xs + xs + xs);
  ExpectSession(
      dir,
      {{"koordin convert good.cup good.lst 2>/dev/null && koordin check good.lst", 0,
        "good.lst: 3 turnpoints, 2 routes\ngood.lst: 3 turnpoints, 2 routes\n",
        "good.lst" + kIrrweg},
       {"sed 16s/.*/4x:10:00/ good.lst >bad.lst && koordin check bad.lst", 1,
        "bad.lst:16: bad latitude: \"4x:10:00\"\n", ""},
       // The driver reads a coordinate beyond its range; its writer never writes one.
       {"sed '4s/.*/95:00:00/;6s/.*/190:30:00/' good.lst >far.lst && koordin check far.lst", 1,
        "far.lst:4: 2 lines not as the driver writes them, the first: latitude \"95:00:00\": "
        "beyond 90 degrees\n",
        "far.lst: warning: line 4: latitude \"95:00:00\": beyond 90 degrees\nfar.lst: warning: "
        "line 6: longitude \"190:30:00\": beyond 180 degrees\nfar.lst" +
            kIrrweg},
       // Every file is checked; any bad one fails the run.
       {"sed 18s/.*/9:00/ good.lst >lon.lst && head -9 good.lst >cut.lst && : >empty.lst && koordin"
        " check lon.lst cut.lst good.cup empty.lst long.lst missing.lst good.lst 2>/dev/null",
        1,
        "lon.lst:18: bad longtiude: \"9:00\"\ncut.lst:9: bad latitude: \"Beta" + blanks +
            "\" (the file ends there)\ngood.cup: 3 turnpoints, 2 routes\nempty.lst: not a KOORDIN "
            "file: it is empty\nlong.lst:1: " +
            "header line too long: \"" + xs + "…\"\nmissing.lst: cannot read: No such file or " +
            "directory\ngood.lst: 3 turnpoints, 2 routes\n",
        ""},
       {"koordin --driver '" PARTIAL_DRIVER "' check good.lst", 1, "",
        "koordin: " PARTIAL_DRIVER
        ": not a usable driver: missing exports FIO_ReadObject, FIO_WriteRoute\n"},
       {"koordin --encoding NOSUCHSET check good.lst", 2, "",
        "koordin: --encoding NOSUCHSET: not a character set that iconv knows\n"},
       {"koordin --encoding UTF-8 check good.lst", 2, "",
        "koordin: --encoding UTF-8: UTF-8 is not a single-byte character set\n"},
       {"koordin dump good.lst --format xml", 2, "",
        "koordin: --format: xml not in {text,csv,json}\nRun with --help for more information.\n"},
       {"koordin --version && koordin info && koordin --help | grep -A1 Examples:", 0,
        "koordin " KOORDIN_VERSION "\ndriver        VP6 (Version 2)\nversion       Version 1.03\n"
        "maker         Tarnwickelmarden\nlibrary       " +
            fs::path(KOORDIN_PROGRAM).parent_path().string() +
            "/libvp6fio.so\nextension     lst\nturnpoints    255\nroutes        32, each of up to "
            "15 points\nnames         18 characters, route names 19\nobject kinds  1, 8, 64, 512\n"
            "Examples:\n  koordin convert examples/gliding-sites.cup sites.lst   CUP waypoints and "
            "tasks into KOORDIN\n",
        ""},
       {"koordin dump good.lst 2>/dev/null", 0,
        "slot  name    latitude              longitude               alt m  freq     marker\n"
        "   1  Alpha  50.500000  50°30'00\"N  -7.250000  007°15'00\"W    120\n"
        "   2  Beta   47.000000  47°00'00\"N  11.508333  011°30'30\"E   1500  122.500\n"
        "   3  Gamma  46.166667  46°10'00\"N   9.000000  009°00'00\"E    400\n"
        "\n"
        "route  name    points\n"
        "    1  Runde   Beta > Gamma\n"
        "    2  Irrweg  Nirgends\n",
        ""},
       // With --all, every slot: a header and 255 turnpoints, a blank line, a header, 32 routes.
       {"koordin dump good.lst --format csv --all 2>/dev/null | sed -n '3p;5p;$p;$='", 0,
        "2,Beta,47.000000,11.508333,\"47°00'00\"\"N\",\"011°30'30\"\"E\",1500,122.500,0\n4,,0."
        "000000,0.000000,\"00°00'00\"\"N\",\"000°00'00\"\"E\",0,,0\n32,,\n290\n",
        ""},
       {"koordin dump good.lst --format json 2>/dev/null | tr -d ' \\n' | grep -o "
        "'{\"slot\":2,[^}]*}'",
        0,
        "{\"slot\":2,\"name\":\"Beta\",\"latitude\":47.0,\"longitude\":11.508333,\"latitude_dms\":"
        "\"47°00'00\\\"N\",\"longitude_dms\":\"011°30'30\\\"E\",\"altitude\":1500,\"frequency\":"
        "\"122.500\",\"marked\":false}\n{\"slot\":2,\"name\":\"Irrweg\",\"points\":[\"Nirgends\"]"
        "}\n",
        ""}});
}

// "Punkt 007": waypoint `n` of the big CUP file.
std::string Punkt(int n) {
  return "Punkt " + std::to_string(1000 + n).substr(1);
}

// A CUP waypoint line at a place of its own (one minute of latitude per number).
std::string CupWaypoint(const std::string& name, int n, const std::string& elevation = "500m") {
  return name + "," + std::to_string(4700 + n / 60 * 100 + n % 60) + ".000N,00930.000E," +
         elevation + ",\r\n";
}

const std::string kSued = "Flugplatz Ober-Mörlen Süd", kNord = "Flugplatz Ober-Mörlen Nord";

// 300 waypoints and 40 tasks: more than a KOORDIN file holds, with two long names that the cut
// would make one, an altitude too high, a long task and a point that falls off the end.
std::string BigCup() {
  std::string cup = kCupHeader;
  for (int i = 1; i <= 300; ++i)
    cup += CupWaypoint(i == 5 ? kSued : i == 6 ? kNord : Punkt(i), i, i == 7 ? "33000ft" : "500m");
  cup += "-----Related Tasks-----\r\nAufgabe 01";
  for (int i : {1, 2, 3, 4, 8, 9, 10, 11, 280, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 1})
    cup += "," + Punkt(i);
  cup += "\r\nAufgabe 02,,Punkt 001,Punkt 290,Punkt 002,\r\n";
  for (int t = 3; t <= 40; ++t)
    cup += "Aufgabe " + std::to_string(100 + t).substr(1) + ",," + Punkt(t + 10) + "," +
           Punkt(t + 11) + ",\r\n";
  return cup;
}

// What koordin says about BigCup when it writes `file`: the many of a kind in one line each.
// The turnpoints the routes fly are kept first, so that Punkt 280 and Punkt 290 are turnpoints
// of the file and 45 others are dropped.
std::string BigCupWarnings(const std::string& file) {
  std::string text;
  const auto warn = [&](const std::string& what) { text += file + ": warning: " + what + "\n"; };
  warn("8 routes dropped: the file holds 32; choose with --tasks (--verbose lists each)");
  warn(
      "45 turnpoints dropped; kept in file order: 213 points and 42 of routes; choose with "
      "--near, --style or --only (--verbose lists each)");
  warn("turnpoint \"" + kSued + "\": name cut to 18 characters: \"Flugplatz Ober-Mör\"");
  warn("turnpoint \"" + kNord +
       "\": numbered \"Flugplatz Ober-M 2\", as its name in the file, \"Flugplatz Ober-Mör\", is "
       "that of turnpoint \"" +
       kSued + "\"");
  warn("turnpoint \"Punkt 007\": altitude 10058.4 m outside -999..9999, written as 9999");
  for (const char* beyond : {"019", "020", "021"})
    warn("route \"Aufgabe 01\": point \"Punkt " + std::string(beyond) +
         "\" left out: a route holds 15 points");
  warn("1 task lost a takeoff or landing: a KOORDIN route carries neither");
  return text;
}

TEST(Koordin, ConvertsAndTellsWhatIsLost) {
  TempDir dir;
  dir.Write("good.cup", kGoodCup);
  dir.Write("big.cup", BigCup());
  dir.Write("saentis.cup", kCupHeader + CupWaypoint("Säntis", 1));
  dir.Write("lodz.cup", kCupHeader + CupWaypoint("Łódź", 1));
  dir.Write("o.lst", "old\n");
  dir.Write("o.cup", "old\n");
  const std::string example = "'" KOORDIN_SOURCE_DIR "/examples/gliding-sites.cup'";
  // After a failure the targets o.lst and o.cup are as they were, and no hidden temporary remains.
  const std::string untouched = " || ls -A | grep '^[.]' || cat o.lst o.cup";
  // A file size limit of 2 KiB (koordin's messages stay within it) makes writes fail part-way.
  const std::string full = "trap '' XFSZ; ulimit -f 4; ";
  ExpectSession(
      dir,
      {{"koordin convert good.cup good.lst 2>/dev/null && koordin convert good.lst g.cup " +
            std::string("2>/dev/null && tail -2 g.cup"),
        0,
        // A KOORDIN file's routes have no takeoff and landing: the tasks get empty ones.
        "good.lst: 3 turnpoints, 2 routes\ng.cup: 3 turnpoints, 2 routes\n\"Runde\",\"\","
        "\"Beta\",\"Gamma\",\"\"\r\n\"Irrweg\",\"\",\"Nirgends\",\"\"\r\n",
        ""},
       // Names go into the KOORDIN file in its character set, and come out of it.
       {"koordin --encoding ISO-8859-2 convert lodz.cup l2.lst && sed -n '3s/ *\\r$//p' l2.lst", 0,
        "l2.lst: 1 turnpoint, 0 routes\n\xA3\xF3\x64\xBC\n", ""},
       {"koordin convert lodz.cup l1.lst && sed -n '3s/ *\\r$//p' l1.lst", 0,
        "l1.lst: 1 turnpoint, 0 routes\nL\xF3\x64z\n",
        "l1.lst: warning: turnpoint \"Łódź\": characters outside CP1252 written as \"Lódz\"\n"
        "1 warning\n"},
       {"sed '3s/Alpha /S\\x84ntis/' good.lst >850.lst && koordin --encoding CP850 dump 850.lst "
        "--format csv 2>/dev/null | sed -n 2p | cut -d, -f2",
        0, "Säntis\n", ""},
       {"sed '3s/Alpha/A\\x81B  /' good.lst >81.lst && koordin dump 81.lst --format csv | sed -n "
        "2p | cut -d, -f2",
        0, "A?B\n",
        "81.lst: warning: turnpoint 1: bytes that are no CP1252 characters read as \"?\": "
        "\"A?B\"\n81.lst" +
            kIrrweg},
       // More than the file holds: each loss is told, and --strict writes nothing.
       {"koordin convert big.cup o.lst --strict" + untouched, 0, "old\nold\n",
        BigCupWarnings("o.lst") + "koordin: o.lst: not written: 60 warnings under --strict\n"},
       {"koordin convert big.cup big.lst", 0, "big.lst: 255 turnpoints, 32 routes\n",
        BigCupWarnings("big.lst") + "60 warnings\n"},
       {"koordin dump big.lst --format csv 2>/dev/null | sed -n '6p;8p;259p;$p' | cut -d, -f1-3,7",
        0,
        "5,Flugplatz Ober-Mör,47.083333,500\n7,Punkt 007,47.116667,9999\n1,Aufgabe 01,Punkt 002 > "
        "Punkt 003 > Punkt 004 > Punkt 008 > Punkt 009 > Punkt 010 > Punkt 011 > Punkt 280 > Punkt "
        "012 > Punkt 013 > Punkt 014 > Punkt 015 > Punkt 016 > Punkt 017 > Punkt 018\n32,Aufgabe "
        "32,Punkt 042 > Punkt 043\n",
        ""},
       // Failures: one line, the last, naming the file.
       {"(" + full + "koordin convert " + example + " o.lst)" + untouched, 0, "old\nold\n",
        "o.lst: warning: turnpoint \"Würzburg Mainbrücke\": name cut to 18 characters: "
        "\"Würzburg Mainbrück\"\no.lst: warning: route \"Alb-Franken-Dreieck\": its task options "
        "and observation zones have no place in the file\nkoordin: o.lst: cannot write: File too "
        "large\n"},
       {"(" + full + "koordin convert big.cup o.cup)" + untouched, 0, "old\nold\n",
        "koordin: o.cup: cannot write: File too large\n"},
       {"koordin convert saentis.cup no/o.cup" + untouched, 0, "old\nold\n",
        "koordin: no/o.cup: cannot write: No such file or directory\n"},
       {"koordin convert no.cup o.lst" + untouched, 0, "old\nold\n",
        "koordin: no.cup: cannot read: No such file or directory\n"},
       {"sed 16s/.*/x/ good.lst >bad.lst && koordin convert bad.lst o.lst" + untouched, 0,
        "old\nold\n", "koordin: bad.lst:16: bad latitude: \"x\"\n"},
       {"koordin convert good.cup o.lst --from lst" + untouched, 0, "old\nold\n",
        "koordin: good.cup: not a KOORDIN file: its first line is \"name,lat,lon,elev,freq\"\n"},
       {"sed 4s/.*/95:00:00/ good.lst >f.lst && koordin convert f.lst o.cup" + untouched, 0,
        "old\nold\n",
        "f.lst: warning: line 4: latitude \"95:00:00\": beyond 90 degrees\n"
        "f.lst" +
            kIrrweg + "koordin: o.cup: waypoint \"Alpha\": bad latitude 95: beyond 90 degrees\n"},
       // The example comes back whole through every format.
       {"koordin convert " + example + " sites.lst 2>/dev/null && for f in cup gpx csv json lst; " +
            "do koordin convert sites.lst m.$f >/dev/null && koordin convert m.$f back.lst " +
            ">/dev/null && cmp back.lst sites.lst && echo $f; done",
        0, "sites.lst: 28 turnpoints, 3 routes\ncup\ngpx\ncsv\njson\nlst\n", ""}});
}

// A national file: 400 waypoints a hundredth of a degree apart going north from 47°, Hahnweide
// the 299th (on line 301), and a comment line that is no waypoint on line 5.
std::string NationalCup() {
  std::string cup = kCupHeader;
  for (int i = 0; i < 400; ++i) {
    if (i == 3) cup += "--Mountain Peaks\r\n";
    const int hundredths = 4700 + i;  // degrees times 100
    char line[96];
    std::snprintf(line, sizeof line, "%s,%02d%06.3fN,00925.800E,500m,\r\n",
                  i == 298 ? "Hahnweide" : ("WP " + std::to_string(i)).c_str(), hundredths / 100,
                  (hundredths % 100) * 0.6);
    cup += line;
  }
  return cup;
}

TEST(Koordin, FillsTheInstrumentAsAPilotWould) {
  TempDir dir;
  dir.Write("national.cup", NationalCup());
  dir.Write("o.lst", "old\n");
  // 48°43'49.5" (4843.825N) is 48:43:50 in the file, not 48:43:49 as its float would round.
  dir.Write("freq.cup", std::string(kCupHeader) + "Home,4843.825N,00925.800E,500m,\"122,475\"\r\n" +
                            "Field,4800.000N,00900.000E,500m,Airfield\r\n");
  dir.Write("cz.cup", std::string(kCupHeader) +
                          "\xA3\xF3"
                          "d\x9F,5000.000N,01900.000E,200m,\r\n");
  const std::string dropped =
      ": warning: 26 turnpoints within 200 km dropped; kept nearest to Hahnweide: 255 points to "
      "170 km; choose fewer with --style or a smaller --radius (--verbose lists each)\n";
  const std::string skipped =
      "national.cup: warning: line 5: 1 fields where the header has 5: line skipped\n";
  ExpectSession(
      dir,
      {{"koordin convert national.cup n.lst --near Hahnweide --radius 200", 0,
        "n.lst: 255 turnpoints, 0 routes\n", skipped + "n.lst" + dropped + "27 warnings\n"},
       {"koordin dump n.lst | grep -c WP; koordin dump n.lst | grep -o 'Hahnweide.*E'", 0,
        "254\nHahnweide  49.980000  49°58'48\"N   9.430000  009°25'48\"E\n", ""},
       // Every line of the file ends in CR LF, as the Windows driver writes it.
       {"tr -cd '\\r' <n.lst | wc -c; wc -l <n.lst", 0, "2044\n2044\n", ""},
       {"koordin convert national.cup n.lst --near Hahnweide --radius 200 --quiet", 0,
        "n.lst: 255 turnpoints, 0 routes\n", ""},
       {"koordin convert national.cup n.lst --near 49.98,9.43 --radius 200 --verbose 2>&1 | "
        "grep -c dropped",
        0, "26\n", ""},
       // The plan, written nowhere: the nearest 255 within the radius, the rest with a reason; each
       // waypoint by the line it stands on, as the warnings name it.
       {"koordin convert national.cup p.lst --near \"49°58'48\\\"N 9°25'48\\\"E\" --radius 200 "
        "--dry-run 2>/dev/null | sed -n '3p;301p;$p'; test ! -e p.lst",
        0,
        "   2     -  WP 0       47.000000   9.430000  331.4  outside 200 km\n"
        " 301   154  Hahnweide  49.980000   9.430000    0.0\n"
        "255 of 400 turnpoints kept, 0 of 0 routes kept; nothing written (--dry-run)\n",
        ""},
       {"koordin convert national.cup p.lst --near Hahnweide --radius 200 --dry-run "
        "--plan-format json 2>/dev/null | grep -c '\"reason\": \"no slot left\"'",
        0, "26\n", ""},
       // One bad line does not refuse a file, but --strict does, leaving the target as it was.
       {"koordin convert national.cup o.lst --near Hahnweide --radius 200 --strict || cat o.lst", 0,
        "old\n",
        skipped + "o.lst" + dropped + "koordin: o.lst: not written: 27 warnings under --strict\n"},
       {"koordin convert freq.cup f.lst && tr -d '\\r' <f.lst | sed -n '4p;8p'", 0,
        "f.lst: 2 turnpoints, 0 routes\n48:43:50\n0500:122.475\n",
        "f.lst: warning: turnpoint \"Field\": frequency \"Airfield\" is no airband frequency: "
        "not written\n1 warning\n"},
       {"koordin convert freq.cup f.cup 2>&1 >/dev/null && cut -d, -f1,11,12 f.cup", 0,
        "f.cup: warning: turnpoint \"Field\": frequency \"Airfield\" is no airband frequency: "
        "written into the description\n1 warning\nname,freq,desc\n\"Home\",\"122.475\","
        "\"\"\n\"Field\",\"\",\"Airfield\"\n",
        ""},
       {"koordin convert cz.cup cz1.cup && cut -d, -f1 cz1.cup", 0,
        "cz1.cup: 1 turnpoint, 0 routes\nname\n\"£ódŸ\"\n",
        "cz.cup: warning: not UTF-8: read as Windows-1252; give --input-encoding for another set "
        "(CP1250, ISO-8859-2, ...)\n1 warning\n"},
       {"koordin convert cz.cup cz2.cup --input-encoding CP1250 && cut -d, -f1 cz2.cup", 0,
        "cz2.cup: 1 turnpoint, 0 routes\nname\n\"Łódź\"\n", ""},
       {"koordin check cz.cup --input-encoding CP1250 && koordin dump cz.cup --input-encoding "
        "CP1250 --format csv | sed -n 2p | cut -d, -f2",
        0, "cz.cup: 1 turnpoint, 0 routes\nŁódź\n", ""},
       {"koordin convert cz.cup cz3.cup --input-encoding NOSUCH", 2, "",
        "koordin: --input-encoding NOSUCH: not a character set that iconv knows\n"},
       {"koordin convert national.cup x.lst --near Nowhere", 2, "",
        skipped + "koordin: --near Nowhere: neither a turnpoint of the source nor a position "
                  "(48.63,9.43, "
                  "48°37'50\"N 9°25'49\"E or 4837.833N 00925.817E)\n"}});
}

}  // namespace
}  // namespace koordin_testing
