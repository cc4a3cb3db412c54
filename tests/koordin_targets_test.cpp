// What koordin leaves behind when targets meet other writers, signals, streams and hostile names:
// each run is made to wait at a known point (KOORDIN_PAUSE and a named pipe), so that what happens
// meanwhile happens there, whatever the machine's speed.

#include "tests/koordin_testing.h"
#include "tools/koordin/formats/formats.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace koordin_testing {
namespace {

const std::string kCupA =
    "name,lat,lon,elev,freq\r\nAlpha,5030.000N,00715.000W,120m,\r\n"
    "Beta,4700.000N,01130.500E,1500m,122.500\r\n";
const std::string kCupB = "name,lat,lon,elev,freq\r\nGamma,4610.000N,00900.000E,400m,\r\n";

// Shell lines that start `command` in the background, made to wait at `stage`, and return once it
// waits there: the gate stays open on descriptor 3 until `Release`. A run that never gets there
// ends the shell after a minute rather than never.
std::string PausedAt(const std::string& stage, const std::string& command) {
  return "rm -f gate; mkfifo gate; (KOORDIN_PAUSE=" + stage + ":gate " + command +
         ") & exec 3>gate; ";
}
const char* const kRelease = "exec 3>&-; ";

// The temporary files in the folder.
std::string Temporaries(const TempDir& dir) {
  return RunShell(dir, "ls -A | grep '[.]tmp$'").out;
}

// Which of `files` the file `name` equals, byte for byte; "none" when none.
std::string Which(const TempDir& dir, const std::string& name,
                  const std::vector<std::string>& files) {
  const std::string bytes = ReadFile(dir / name);
  for (const std::string& file : files) {
    if (ReadFile(dir / file) == bytes) return file;
  }
  return "none";
}

struct RaceCase {
  std::string stage;  // where the first writer waits while the second writes
  bool targetExists;
  std::string format;
  int firstStatus;
  std::string firstErr;
  bool firstWins;  // else the second's file is the target
};

// Two writers of one target: the one that moves its file into place last wins, and no writer
// that ends with status 0 finds its file gone.
TEST(KoordinTargets, TwoWritersOfOneTargetLeaveOneWholeFileOfTheLast) {
  const std::string taken =
      "koordin: o.X: not written: another file took its place at once, and is left as it is\n";
  const RaceCase cases[] = {
      {"written", true, "lst", 0, "", true},   {"written", false, "lst", 0, "", true},
      {"moved", true, "lst", 1, taken, false}, {"moved", false, "lst", 1, taken, false},
      {"written", true, "gpx", 0, "", true},   {"moved", true, "gpx", 1, taken, false},
  };
  for (const RaceCase& c : cases) {
    SCOPED_TRACE(c.stage + (c.targetExists ? ", over a file, " : ", as a new file, ") + c.format);
    for (int round = 0; round < 3; ++round) {
      TempDir dir;
      dir.Write("a.cup", kCupA);
      dir.Write("b.cup", kCupB);
      const std::string target = "o." + c.format;
      RunShell(dir,
               "koordin convert a.cup a." + c.format + " && koordin convert b.cup b." + c.format);
      if (c.targetExists) dir.Write(target, "old");
      const koordin_testing::Run run = RunShell(
          dir, "timeout 60 sh -c '" +
                   PausedAt(c.stage, "koordin convert a.cup " + target + " >/dev/null 2>a.err") +
                   "koordin convert b.cup " + target + " >/dev/null 2>b.err; echo second $?; " +
                   kRelease + "wait $!; echo first $?'");
      EXPECT_EQ(run.out, "second 0\nfirst " + std::to_string(c.firstStatus) + "\n") << run.err;
      std::string firstErr = c.firstErr;
      if (!firstErr.empty()) firstErr.replace(firstErr.find("o.X"), 3, target);
      EXPECT_EQ(ReadFile(dir / "a.err"), firstErr);
      EXPECT_EQ(ReadFile(dir / "b.err"), "");
      EXPECT_EQ(Which(dir, target, {"a." + c.format, "b." + c.format}),
                (c.firstWins ? "a." : "b.") + c.format);
      EXPECT_EQ(Temporaries(dir), "");
    }
  }
}

// SIGINT, SIGTERM and SIGHUP while koordin writes remove its temporary file and end it as the
// signal does; the target stays as it was.
TEST(KoordinTargets, ASignalWhileWritingLeavesNothingBehind) {
  const std::pair<std::string, int> signals[] = {{"INT", 2}, {"TERM", 15}, {"HUP", 1}};
  for (const auto& [name, number] : signals) {
    for (const std::string format : {"lst", "gpx"}) {
      SCOPED_TRACE(name + " writing " + format);
      TempDir dir;
      dir.Write("in.cup", kCupA);
      dir.Write("o." + format, "old");
      // A shell's background run ignores SIGINT, which koordin then leaves ignored.
      const koordin_testing::Run run =
          RunShell(dir, "timeout 60 sh -c '" +
                            PausedAt("written",
                                     "exec env --default-signal=INT koordin convert "
                                     "in.cup o." +
                                         format) +
                            "test -n \"$(ls -A | grep [.]tmp$)\" && echo writing; kill -" + name +
                            " $!; " + kRelease + "wait $!; echo $?'");
      EXPECT_EQ(run.out, "writing\n" + std::to_string(128 + number) + "\n");
      EXPECT_TRUE(ReadFile(dir / ("o." + format)) == "old");
      EXPECT_EQ(Temporaries(dir), "");
    }
  }
}

// A run killed outright leaves its temporary file; the next run of the same target removes it
// once its process is gone, and nothing that may be another's.
TEST(KoordinTargets, TheNextRunRemovesTemporariesOfRunsThatEnded) {
  const std::string aged = "; touch -h -d '-1 min' .*.tmp";
  // What, shell lines that leave a file that looks like a temporary, and the temporaries left after
  // the next run.
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"of a run killed outright",
       "timeout 60 sh -c '" + PausedAt("written", "exec koordin convert in.cup o.lst") +
           "kill -KILL $!; " + kRelease + "wait $!'",
       ""},
      {"of a process that runs and began before it", ": >.o.lst.1.abcdef.tmp",
       ".o.lst.1.abcdef.tmp\n"},
      {"of a process number taken by a later process",
       "sleep 60 & echo $! >pid; : >.o.lst.$(cat pid).abcdef.tmp" + aged, ""},
      {"of another target", ": >.p.lst.99999999.abcdef.tmp" + aged, ".p.lst.99999999.abcdef.tmp\n"},
      {"a link named like one", "ln -s in.cup .o.lst.99999999.abcdef.tmp" + aged,
       ".o.lst.99999999.abcdef.tmp\n"},
      {"another user's",
       ": >.o.lst.99999999.abcdef.tmp && chown 65534 .o.lst.99999999.abcdef.tmp" + aged,
       ".o.lst.99999999.abcdef.tmp\n"},
  };
  for (const auto& [what, make, left] : cases) {
    SCOPED_TRACE(what);
    TempDir dir;
    dir.Write("in.cup", kCupA);
    dir.Write("o.lst", "old");
    RunShell(dir, make);
    if (what.find("run killed") != std::string::npos) {
      EXPECT_NE(Temporaries(dir), "");  // what the killed run left
    }
    EXPECT_EQ(RunKoordin(dir, "convert in.cup o.lst").status, 0);
    EXPECT_EQ(Temporaries(dir), left);
    RunShell(dir, "test ! -e pid || kill $(cat pid)");
  }
}

struct StreamCase {
  std::string what;
  std::string command;  // shell lines, with koordin writing to a stream
  int status;
  std::string out;
  std::string err;
  std::string after;  // shell lines whose output describes the folder then
  std::string holds;
};

// A target that is no file to replace is written through, at its place: a descriptor opened to
// append is appended to, a named pipe and a device get the bytes, and nothing is replaced.
TEST(KoordinTargets, AStreamTargetIsWrittenThroughNeverReplaced) {
  const std::string csvLines = "wc -l <log.txt && head -1 log.txt && ls -A";
  const StreamCase cases[] = {
      {"/dev/stdout appended to", "koordin convert in.cup /dev/stdout --to csv >>log.txt", 0, "",
       "/dev/stdout: 2 turnpoints, 0 routes\n", csvLines, "4\nold\nin.cup\nlog.txt\n"},
      {"/proc/self/fd/N appended to", "koordin convert in.cup /proc/self/fd/3 --to csv 3>>log.txt",
       0, "/proc/self/fd/3: 2 turnpoints, 0 routes\n", "", csvLines, "4\nold\nin.cup\nlog.txt\n"},
      {"/dev/fd/N opened anew", "koordin convert in.cup /dev/fd/3 --to lst 3>log.txt", 0,
       "/dev/fd/3: 2 turnpoints, 0 routes\n", "", "wc -l <log.txt", "2044\n"},
      {"a link to /dev/stdout", "ln -s /dev/stdout o.csv && koordin convert in.cup o.csv >>log.txt",
       0, "", "o.csv: 2 turnpoints, 0 routes\n", "wc -l <log.txt && readlink o.csv",
       "4\n/dev/stdout\n"},
      {"a named pipe",
       "mkfifo o.lst && { cat o.lst >got & } && koordin convert in.cup o.lst && wait", 0,
       "o.lst: 2 turnpoints, 0 routes\n", "", "test -p o.lst && wc -l <got", "2044\n"},
      {"a link to a device", "ln -s /dev/null o.lst && koordin convert in.cup o.lst", 0,
       "o.lst: 2 turnpoints, 0 routes\n", "", "readlink o.lst", "/dev/null\n"},
      {"a full device", "koordin convert in.cup /dev/full --to gpx", 1, "",
       "koordin: /dev/full: cannot write: No space left on device\n", "ls -A", "in.cup\nlog.txt\n"},
      {"a descriptor not open", "koordin convert in.cup /dev/fd/7 --to csv 7>&-", 1, "",
       "koordin: /dev/fd/7: cannot write: Bad file descriptor\n", "ls -A", "in.cup\nlog.txt\n"},
      {"a refusal writes nothing",
       "printf \"name,lat,lon\\nA name of more than 18,5030.000N,00715.000W\\n\" >in.cup && "
       "koordin convert in.cup /dev/stdout --to lst --strict >>log.txt",
       1, "",
       "/dev/stdout: warning: turnpoint \"A name of more than 18\": name cut to 18 characters: "
       "\"A name of more tha\"\nkoordin: /dev/stdout: not written: 1 warning under --strict\n",
       csvLines, "1\nold\nin.cup\nlog.txt\n"},
  };
  for (const StreamCase& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    dir.Write("in.cup", kCupA);
    dir.Write("log.txt", "old\n");
    const koordin_testing::Run run = RunShell(dir, "timeout 60 sh -c '" + c.command + "'");
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, c.err);
    EXPECT_EQ(RunShell(dir, c.after).out, c.holds);
  }
}

// File names are printed with their control characters escaped, so that a name cannot make a line
// of its own; a name the folder only just takes is written; a loop of links and a folder that takes
// no new file are said to be what stands in the way.
TEST(KoordinTargets, MessagesNameFilesSafelyAndTheTrueReason) {
  const std::string asUser =
      "chmod 777 . && setpriv --reuid=65534 --regid=65534 --clear-groups koordin ";
  const std::string longName = std::string(246, 'n') + ".lst";  // 250 characters
  TempDir dir;
  dir.Write("in.cup", kCupA);
  dir.Write(longName, "old");
  ExpectSession(
      dir,
      {{"koordin check \"$(printf 'a\\nb.lst: 5 turnpoints\\033[2J')\"", 1,
        "a\\nb.lst: 5 turnpoints\\x1b[2J: cannot read: No such file or directory\n", ""},
       {"koordin convert in.cup \"$(printf 'x\\n\\377.lst')\" && ls | grep -c x", 0,
        "x\\n\\xff.lst: 2 turnpoints, 0 routes\n1\n", ""},
       {"koordin convert in.cup \"$(printf 'x\\r.txt')\"", 2, "",
        "koordin: x\\r.txt: cannot tell the format from the file name; give --to (" +
            koordin_cli::FormatList(", ", true) + ")\n"},
       {"koordin --driver \"$(printf 'd\\033.so')\" info", 1, "",
        "koordin: d\\x1b.so: cannot load the driver: d\\x1b.so: cannot open shared object file: No "
        "such file or directory\n"},
       {"koordin convert in.cup " + longName + " >/dev/null && wc -l <" + longName +
            " && ls -A | grep -c tmp",
        1, "2044\n0\n", ""},
       {"ln -s loop.lst loop.lst && koordin convert in.cup loop.lst", 1, "",
        "koordin: loop.lst: cannot write: a loop of links (loop.lst links to loop.lst)\n"},
       {"mkdir ro && : >ro/o.lst && chmod 666 ro/o.lst && chmod 555 ro && " + asUser +
            "convert in.cup ro/o.lst",
        1, "",
        "koordin: ro/o.lst: cannot write: its folder ro takes no new file (Permission denied), "
        "and koordin writes the new file beside the old one\n"}});
}

}  // namespace
}  // namespace koordin_testing
