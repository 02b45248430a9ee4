// Many inputs, an output each: mkcapture --into and tavlin-export --into,
// their names and refusals, and the progress line.
#include <filesystem>

#include "tests/harness.h"

namespace {

const std::string kPartial = "mkcapture: entries or files of the inputs were left out (--strict refuses them instead)\n";

// The inputs every case starts from.
void write_inputs(const scratch_dir& dir) {
    std::filesystem::create_directories(dir.path_of("in/set"));
    std::filesystem::create_directories(dir.path_of("out"));
    dir.write_bytes("in/a.raw", "power: 2400 600 1200\n");
    dir.write_bytes("in/set/2.raw", "mute: 600 600 600\n");
    dir.write_bytes("in/set/1.ir-ctl", "+100 -200 +300\n");
    dir.write_bytes("in/set/tv.lircd.conf", "begin remote\n name TV\n begin raw_codes\n  name up\n  900 450 900\n"
                                            " end raw_codes\nend remote\n");
    dir.write_bytes("in/set/remote",
                    "Filetype: IR signals file\nVersion: 1\n#\nname: A\ntype: parsed\nprotocol: Denon\naddress: 01 00 "
                    "00 00\ncommand: 02 00 00 00\n#\nname: B\ntype: raw\ndata: 100 0 300\n#\nname: C\ntype: raw\n"
                    "data: 100 200 300\n#\nname: E\ntype: raw\ndata: 1 2147483647 2147483648\n");
    dir.write_bytes("out/keep.txt", "mine\n");
}

struct folder_case {
    const char* name;
    std::vector<std::string> args;
    std::string files;  // what `find out -type f` lists, sorted
    std::string err;
    int status;
};

TEST(IntoFolder, NamesRefusalsAndLeftOut) {
    const folder_case cases[] = {
        {"every file below, its end replaced",
         {"--from", "auto", "--into", "out", "in"},
         "out/a.cap\nout/keep.txt\nout/set/1.cap\nout/set/2.cap\nout/set/remote.cap\nout/set/tv.cap\n",
         "mkcapture: in/set/remote: line 4: signal 'A': protocol 'Denon' is not encoded; left out\n"
         "mkcapture: in/set/remote: line 12, column 11: zero duration; left out\n"
         "mkcapture: in/set/remote: line 20, column 20: duration over 2147483647 microseconds: '2147483648'; "
         "left out\n"
         "mkcapture: 5 files, 5 signals imported\n"
         "mkcapture: 3 skipped: 1 duration over 2147483647 microseconds; 1 protocol 'Denon' is not encoded; 1 zero "
         "duration\n" +
             kPartial,
         3},
        {"a manifest beside each, a file left out",
         {"--from", "raw", "--into", "out/", "--manifest", ".names", "in/a.raw", "in/set/1.ir-ctl"},
         "out/a.cap\nout/a.cap.names\nout/keep.txt\n",
         "mkcapture: in/set/1.ir-ctl: line 1, column 1: not a number: '+100'; left out\n"
         "mkcapture: in/set/1.ir-ctl: no signal in the input that can be read; left out\n"
         "mkcapture: 2 files, 1 signals imported, 1 files left out\n"
         "mkcapture: 1 skipped: 1 not a number\n" +
             kPartial,
         3},
        {"two inputs of one name",
         {"--from", "auto", "--into", "out", "in/a.raw", "in/set", "in/set/2.raw"},
         "out/keep.txt\n",
         "mkcapture: in/set/2.raw and in/set/2.raw would both be written to out/2.cap\n",
         2},
        {"two ends of one name",
         {"--from", "auto", "--into", "out", "in/set/2.raw", "two/2.ir-ctl"},
         "out/keep.txt\n",
         "mkcapture: in/set/2.raw and two/2.ir-ctl would both be written to out/2.cap\n",
         2},
        {"an output that is an input",
         {"--from", "auto", "--into", "two", "in/a.raw", "two/b.cap"},
         "out/keep.txt\n",
         "mkcapture: the output two/b.cap of two/b.cap is an input itself\n",
         2},
        {"a manifest's end that is no end",
         {"--from", "auto", "--into", "out", "--manifest", "m/x", "in"},
         "out/keep.txt\n",
         "mkcapture: with --into, --manifest takes the end of each manifest's name, as '.manifest': 'm/x'\n"
         "Try 'mkcapture --help' for more information.\n",
         2},
        {"no input",
         {"--from", "auto", "--into", "out"},
         "out/keep.txt\n",
         "mkcapture: needs INPUT... with --into\nTry 'mkcapture --help' for more information.\n",
         2},
    };
    for (const folder_case& c : cases) {
        scratch_dir dir;
        write_inputs(dir);
        std::filesystem::create_directories(dir.path_of("two"));
        dir.write_bytes("two/2.ir-ctl", "+100 -200 +300\n");
        dir.write_bytes("two/b.cap", "x\n");
        const run_result r = run_mkcapture(dir, c.args);
        EXPECT_PRED_FORMAT2(same_text, r.err, c.err) << c.name;
        EXPECT_EQ(r.status, c.status) << c.name;
        EXPECT_EQ(run_shell(dir, "find out -type f | LC_ALL=C sort").out, c.files) << c.name;
        EXPECT_EQ(read_file(dir.path_of("out/keep.txt")), "mine\n") << c.name;
    }
}

// Each capture holds its own input's signals, named as in one import, and
// tavlin-export --into gives back the files, which read back the same.
TEST(IntoFolder, ExportedAndReadBack) {
    scratch_dir dir;
    write_inputs(dir);
    ASSERT_EQ(run_mkcapture(dir, {"--from", "auto", "--into", "caps", "--manifest", ".m", "in"}).status, 3);
    EXPECT_EQ(read_file(dir.path_of("caps/set/remote.cap.m")),
              "# record (hex, as tavlin prints it)\tsignal\n1\tC\n");
    const run_result exported = run_export(dir, {"--to", "raw", "--into", "back", "caps", "caps/a.cap"});
    EXPECT_EQ(exported.err, "tavlin-export: caps/a.cap and caps/a.cap would both be written to back/a.raw\n");
    EXPECT_EQ(exported.status, 2);
    EXPECT_EQ(run_export(dir, {"--to", "raw", "--into", "back", "caps"}).err,
              "tavlin-export: 5 captures, 5 exported\n");
    EXPECT_EQ(run_shell(dir, "for f in $(find back -type f | LC_ALL=C sort); do echo \"$f: $(cat $f)\"; done").out,
              "back/a.raw: power: 2400 600 1200\nback/set/1.raw: record_1: 100 200 300\n"
              "back/set/2.raw: mute: 600 600 600\nback/set/remote.raw: C: 100 200 300\n"
              "back/set/tv.raw: TV up: 900 450 900\n");
    const run_result again = run_mkcapture(dir, {"--from", "raw", "--manifest", "-", "back", "all.cap"});
    EXPECT_EQ(again.out,
              "# record (hex, as tavlin prints it)\tsignal\n1\tback/a.raw: power\n2\tback/set/1.raw: record_1\n"
              "3\tback/set/2.raw: mute\n4\tback/set/remote.raw: C\n5\tback/set/tv.raw: TV up\n");
    EXPECT_EQ(again.err, "mkcapture: 5 files, 5 signals imported\n");
    EXPECT_EQ(run_export(dir, {"--to", "raw", "--into", "x", "--names", "n", "caps"}).status, 2);
}

#if !defined(_WIN32)
// The progress line: a run that waits over a second for its second input (a
// FIFO filled late) draws it before the third, on a terminal only, the name
// escaped, and clears it before the summary (a FIFO and a terminal of
// script(1): POSIX only).
TEST(Progress, OnATerminalOnly) {
    const std::string start = "printf 'power: 2400 600 1200\\n' > a.raw; cp a.raw $'b\\e[31m.raw'; mkfifo f; "
                              "(sleep 1.5; cat a.raw > f) & ";
    const std::string run = std::string(MKCAPTURE_BINARY) + " --from raw a.raw f b*.raw out.cap";
    scratch_dir piped;
    EXPECT_EQ(run_shell(piped, start + run + " 2>&1 | od -c").out,
              run_shell(piped, "printf 'mkcapture: 3 files, 3 signals imported\\n' | od -c").out);
    scratch_dir terminal;
    const run_result r = run_shell(terminal, start + "script -qec '" + run + "' /dev/null");
    EXPECT_EQ(r.out, "\rmkcapture: 2/3 files, 2 signals b\\x1B[31m.raw\r" + std::string(45, ' ') +
                         "\rmkcapture: 3 files, 3 signals imported\r\n");
    EXPECT_EQ(r.status, 0);
}

#endif

}  // namespace
