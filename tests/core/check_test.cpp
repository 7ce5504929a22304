// The file check driver: identification by extension, Macintosh type and signature, the
// 60-byte windows, mis-labelling, open failures and the counters.
#include <gtest/gtest.h>

#include "classify/analyses.h"
#include "classify/check.h"
#include "tests/support/collect_sink.h"
#include "report/report.h"
#include "classify/reader.h"
#include "platform/identity.h"
#include "tests/support/finder_info.h"
#include "tests/support/scratch.h"

namespace {

const Bytes kJpegStart("\xFF\xD8\xFF\xE0", 4);
const Bytes kGif("GIF89a\x01\x00\x01\x00", 10);
const Bytes kTiffStart("II*\0\x08\0\0\0", 8);
const Bytes kEpsStart("%!PS-Adobe-3.0 EPSF-3.0\n");
const Bytes kNothing("just some text, no signature at all\n");
const Bytes kEmpty(""), kOneByte("\xFF");

class CheckTest : public ::testing::Test {
   protected:
    void SetUp() override {
        reset_core_state();
        platform_state.platform_id = 2;
        set_default_options(&options_);
    }
    void TearDown() override { clear_platform_faults(); }

    Verdict check(const std::string& path) { return check_file(path.c_str(), options_); }
    Verdict check_bytes(const std::string& name, const Bytes& contents) {
        return check(scratch_.write(name, contents));
    }

    Options options_ = {};
    ScratchDir scratch_;
    CollectingSink sink_;
};

TEST(MatchExtension, ComparesWholeEntriesCaseSensitively) {
    struct Case {
        const char* extension;
        const char* list;
        bool match;
    };
    const Case cases[] = {
        {".TIFF", ".TIF;.TIFF", true},
        {".TI", ".TIF;.TIFF", false},
        {".TIFFX", ".TIF;.TIFF", false},
        {".JPG", ".JPEG;.JPG", true},
        {".jpg", ".JPG", false},
        // A file without an extension is never claimed, not even by an empty list.
        {"", "", false},
        {"", ".TIF;;.JPG", false},
        {".TIF", "", false},
        {".TIF", ".TI;F", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.extension) + " in " + c.list);
        EXPECT_EQ(c.match, match_extension(c.extension, c.list));
    }
    EXPECT_FALSE(match_extension(".TIF", nullptr));
}

TEST_F(CheckTest, ExtensionsGiveTheKindWhichTheContentMustConfirm) {
    // With every analysis switched off, a confirmed kind gives 14 and a refuted one 15:
    // so 15 shows which kind the name claimed.
    options_.file_scan_flags = kExamineExtensions;
    struct Case {
        const char* name;
        const Bytes* contents;
        Verdict verdict;
    };
    const Case cases[] = {
        {"A.TIFF", &kTiffStart, Verdict::NothingToReport},
        {"A2.TIFF", &kJpegStart, Verdict::Mislabelled},
        {"A.TIF", &kGif, Verdict::Mislabelled},
        {"B.JFIF", &kJpegStart, Verdict::NothingToReport},
        {"B2.JFIF", &kTiffStart, Verdict::Mislabelled},
        {"C.EPSF", &kEpsStart, Verdict::NothingToReport},
        {"C2.EPSF", &kNothing, Verdict::Mislabelled},
        {"photo.jpg", &kGif, Verdict::Mislabelled},
        {"E.GIF", &kJpegStart, Verdict::Mislabelled},
        {"empty.gif", &kEmpty, Verdict::Mislabelled},
        {"one.jpg", &kOneByte, Verdict::Mislabelled},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.verdict, check_bytes(c.name, *c.contents));
    }
}

// Without a naming method the signatures are tried JPEG, GIF, TIFF, EPS, and the first
// found decides, wherever each stands; a kind from content is never mis-labelled.
TEST_F(CheckTest, ContentDecidesWhenNoNamingMethodIsOn) {
    const struct {
        const char* name;
        std::uint16_t flags;
        Bytes contents;
        Verdict verdict;
    } cases[] = {
        {"logo.dat", kWarnGif, kGif, Verdict::Gif},
        {"logo.TIF", kWarnGif, kGif, Verdict::Gif},
        {"logo2.dat", 0, kGif, Verdict::NothingToReport},
        {"plain.dat", kWarnGif, kNothing, Verdict::NothingToReport},
        {"both.dat", kWarnGif, kJpegStart + kGif, Verdict::NothingToReport},  // a JPEG, unchecked
        {"tiff-then-gif.dat", kWarnGif, kTiffStart + kGif, Verdict::Gif},
        {"jpeg-after-gif.dat", kWarnGif, kGif + kJpegStart, Verdict::NothingToReport},
        {"empty.dat", kWarnGif, "", Verdict::NothingToReport},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        options_.file_scan_flags = c.flags;
        EXPECT_EQ(c.verdict, check_bytes(c.name, c.contents));
    }
    EXPECT_EQ(8, test_scan().files_checked.load());
    EXPECT_TRUE(sink_.entries().empty());
}

// A signature ending at byte 60 is found, one ending at 61 is not; a byte that breaks a
// partial match restarts it without being looked at again.
TEST_F(CheckTest, SignaturesInTheFirst60Bytes) {
    const struct {
        Bytes contents;
        bool (*test)();
        bool match;  // when it ends by byte 60
    } cases[] = {
        {Bytes("\xFF\xD8\xFF", 3), looks_like_jpeg, true},
        {Bytes("GIF89z"), looks_like_gif, true},
        {Bytes("II*\0", 4), looks_like_tiff, true},
        {Bytes("MM\0*", 4), looks_like_tiff, true},
        {Bytes("%!"), looks_like_eps, true},
        {Bytes("\xC5\xD0\xD3\xC6", 4), looks_like_eps, true},
        {Bytes("xII*\0", 5), looks_like_tiff, true},
        {Bytes("III*\0", 5), looks_like_tiff, false},
        {Bytes("MMM\0*", 5), looks_like_tiff, false},
        {Bytes("IMM\0*", 5), looks_like_tiff, true},
        {Bytes("\xFF\xFF\xD8\xFF", 4), looks_like_jpeg, false},
        {Bytes("%%!"), looks_like_eps, false},
        {Bytes("GGIF89a"), looks_like_gif, false},
        {Bytes("GIF8Xa"), looks_like_gif, false},
        {Bytes("GIF89A"), looks_like_gif, false},
        {Bytes("\xC5\xC5\xD0\xD3\xC6", 5), looks_like_eps, false},
    };
    for (const auto& c : cases) {
        for (std::size_t end : {c.contents.size(), std::size_t{60}, std::size_t{61}}) {
            SCOPED_TRACE(testing::PrintToString(c.contents) + " ending at byte " +
                         std::to_string(end));
            const std::string path =
                scratch_.write("sig.dat", fill(end - c.contents.size(), '.') + c.contents);
            const PlatformFile file = platform_open_read(path.c_str());
            ASSERT_TRUE(is_open(file));
            reset_reader_for_file(file);
            EXPECT_EQ(c.match && end <= 60, c.test());
            platform_close(file);
        }
    }
}

// Each is one timestamped entry naming the path; the file counts as seen, not checked.
TEST_F(CheckTest, FilesThatCannotBeOpenedAreReportedOnce) {
    options_.file_scan_flags = kExamineExtensions | kWarnGif;
    struct Case {
        std::string path;
        const char* message;
        int injected;
    };
    const Case cases[] = {
        {scratch_.file("missing.gif"), "open failure: 2", 0},  // not found, on both systems
        {scratch_.write("locked.gif", kGif), "open failure: 32", 32},
        {scratch_.make_dir("folder.gif"), "open failure: ", 0},
        {scratch_.file(std::string(kPathLimit, 'a') + ".gif"), "path too long", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        sink_.clear();
        zero_scan_counters(&test_scan());
        if (c.injected) fail_platform_call(PlatformCall::Open, c.injected);
        EXPECT_EQ(Verdict::NothingToReport, check(c.path));
        ASSERT_EQ(1u, sink_.entries().size());
        const CollectedEntry& entry = sink_.entries()[0];
        EXPECT_EQ(1, entry.category);
        EXPECT_FALSE(entry.timestamp.empty());
        EXPECT_EQ(c.path, entry.name);
        EXPECT_EQ(0u, entry.message.rfind(c.message, 0)) << entry.message;
        EXPECT_EQ(1, test_scan().files_seen.load());
        EXPECT_EQ(0, test_scan().files_checked.load());
    }
}

// A file that could not be read is neither mis-labelled nor of an unknown kind, and its
// failure is one entry however many tests would have read it.
TEST_F(CheckTest, AReadFailureIsOneEntryAndVerdictOne) {
    struct Case {
        const char* name;
        std::uint16_t flags;
        int times;
    };
    const Case cases[] = {
        {"named.gif", kExamineExtensions | kWarnGif, 2},  // confirming the named kind: the
                                                          // read and its retry fail
        {"unnamed.dat", kWarnGif, -1},                    // every signature test would read
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sink_.clear();
        options_.file_scan_flags = c.flags;
        const std::string path = scratch_.write(c.name, kGif);
        fail_platform_call(PlatformCall::Read, 5, 0, c.times);
        EXPECT_EQ(Verdict::IoError, check(path));
        clear_platform_faults();
        EXPECT_EQ((std::vector<std::string>{"read error: 5"}), sink_.messages());
    }
}

TEST_F(CheckTest, ProgressCountReceivesEachNewTotal) {
    static std::vector<std::int32_t> totals;
    totals.clear();
    test_scan().show_progress_count = [](std::int32_t seen) { totals.push_back(seen); };
    options_.file_scan_flags = kExamineExtensions;
    check(scratch_.file("a.txt"));
    test_scan().progress_count_on = true;
    check(scratch_.file("b.txt"));
    check(scratch_.file("c.txt"));
    EXPECT_EQ((std::vector<std::int32_t>{2, 3}), totals);
}

// ---- Macintosh file types --------------------------------------------------------------

class MacintoshTypeTest : public CheckTest {
   protected:
    // Writes a file with Finder information of the given type; false when this system
    // cannot keep such information here.
    bool write_typed(const std::string& name, const Bytes& contents, const Bytes& info) {
        path_ = scratch_.write(name, contents);
        return attach_finder_info(path_, info);
    }
    static Bytes finder_info(const Bytes& type) {
        Bytes info = Bytes("AFP\0", 4) + le32(0x100) + fill(8, 0) + type;
        return info + fill(60 - info.size(), 0);
    }
    std::string path_;
};

TEST_F(MacintoshTypeTest, TypeCodesMapToKindsExactly) {
    options_.file_scan_flags = kUseMacintoshTypes | kWarnGif;
    struct Case {
        const char* type;
        const Bytes* contents;
        Verdict verdict;
    };
    const Case cases[] = {
        {"GIFf", &kGif, Verdict::Gif},
        {"GIFf", &kJpegStart, Verdict::Mislabelled},
        {"JPEG", &kGif, Verdict::Mislabelled},
        {"JFIF", &kGif, Verdict::Mislabelled},
        {"TIFF", &kGif, Verdict::Mislabelled},
        {"EPSF", &kGif, Verdict::Mislabelled},
        {"EPSP", &kGif, Verdict::Mislabelled},
        {"EPSW", &kGif, Verdict::Mislabelled},
        {"GIFF", &kGif, Verdict::NothingToReport},  // case-sensitive
        {"TEXT", &kGif, Verdict::NothingToReport},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        if (!write_typed("typed", *c.contents, finder_info(c.type)))
            GTEST_SKIP() << "no Finder information on this file system";
        EXPECT_EQ(c.verdict, check(path_));
    }
}

TEST_F(MacintoshTypeTest, MissingShortOrUnsignedInformationGivesNoType) {
    options_.file_scan_flags = kUseMacintoshTypes | kWarnGif;
    EXPECT_EQ(Verdict::NothingToReport, check_bytes("untyped", kGif));
    EXPECT_EQ(0, test_scan().files_checked.load());  // not opened
    if (!write_typed("short", kGif, finder_info("GIFf").substr(0, 59)))
        GTEST_SKIP() << "no Finder information on this file system";
    EXPECT_EQ(Verdict::NothingToReport, check(path_));
    Bytes unsigned_info = finder_info("GIFf");
    unsigned_info[2] = 'X';
    ASSERT_TRUE(write_typed("unsigned", kGif, unsigned_info));
    EXPECT_EQ(Verdict::NothingToReport, check(path_));
    ASSERT_TRUE(write_typed("zero", kGif, finder_info(Bytes("GIF\0", 4))));
    char type[5];
    read_macintosh_type(path_.c_str(), type);
    EXPECT_STREQ("GIF", type);
    EXPECT_EQ(0u, file_reader.buffered);  // the buffer held the stream, not the file
}

TEST_F(MacintoshTypeTest, OnlyInForceOnWindowsNtAndAfterTheExtension) {
    if (!write_typed("typed.jpg", kGif, finder_info("GIFf")))
        GTEST_SKIP() << "no Finder information on this file system";
    options_.file_scan_flags = kUseMacintoshTypes | kExamineExtensions | kWarnGif;
    EXPECT_EQ(Verdict::Mislabelled, check(path_));  // the extension wins
    ASSERT_TRUE(write_typed("typed.txt", kGif, finder_info("GIFf")));
    EXPECT_EQ(Verdict::Gif, check(path_));  // the type, when the extension gave nothing
    platform_state.platform_id = 1;
    options_.file_scan_flags = kUseMacintoshTypes | kWarnGif;
    ASSERT_TRUE(write_typed("typed.dat", kJpegStart, finder_info("GIFf")));
    EXPECT_EQ(Verdict::NothingToReport, check(path_));  // content: a JPEG, not checked
}

}  // namespace
