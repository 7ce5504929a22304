// The buffered reader: the seek rules and every failure row, through real files and the
// platform's fault switch. Byte order, block boundaries and the end of the data are the
// analyses' tests (both byte orders of TIFF, segments across blocks, files cut short); the
// end limit is tested where the EPS analysis sets it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "classify/analyses.h"
#include "classify/check.h"
#include "tests/support/collect_sink.h"
#include "tests/support/examined_file.h"
#include "classify/reader.h"
#include "settings/options.h"

namespace {

// Every byte differs from its neighbours, so a byte from the wrong place shows.
Bytes counting(std::size_t size) {
    Bytes out;
    for (std::size_t i = 0; i < size; ++i) out += static_cast<char>(i * 7 + 1);
    return out;
}

// The block's file position, cursor and byte count, and the flags, as one text.
std::string reader_state() {
    const FileReader& r = file_reader;
    return std::to_string(r.buffer_start) + "+" + std::to_string(r.cursor) + "/" +
           std::to_string(r.buffered) + (r.end_of_data ? " end" : "") + (r.stop ? " stop" : "") +
           " verdict " + std::to_string(r.verdict);
}

class FileReaderTest : public ::testing::Test {
   protected:
    void SetUp() override { reset_core_state(); }
    ~FileReaderTest() override { close_examined_file(); }

    void open(const Bytes& contents) {
        data_ = contents;
        ASSERT_TRUE(open_bytes(scratch_, "data.bin", contents));
    }
    int byte_at(std::size_t position) const { return static_cast<unsigned char>(data_[position]); }

    ScratchDir scratch_;
    CollectingSink sink_;
    Bytes data_;
};

TEST_F(FileReaderTest, SeekInsideTheBlockMovesOnlyTheCursor) {
    open(counting(9000));
    read_byte();
    fail_platform_call(PlatformCall::Seek, 5);  // would fail if the file pointer moved
    seek_to(100);
    EXPECT_EQ(byte_at(100), read_byte());
    seek_to(4096);  // buffer_start + buffered: still inside, the refill starts there
    EXPECT_EQ("0+4096/4096 verdict 0", reader_state());
    EXPECT_EQ(byte_at(4096), read_byte());
    seek_to(8500);  // outside the block, inside the bytes read: a new block, no system call
    EXPECT_EQ("8500+0/0 verdict 0", reader_state());
    EXPECT_EQ(byte_at(8500), read_byte());
    EXPECT_EQ("8500+1/500 verdict 0", reader_state());
    clear_platform_faults();
    seek_to(0xFFFFFFF0u);  // past the end is allowed and reads as the end of the data
    EXPECT_EQ(0, read_byte());
    EXPECT_EQ("4294967280+0/0 end verdict 0", reader_state());
    EXPECT_TRUE(sink_.entries().empty());
}

// Each failure is one timestamped entry naming the file; after it nothing more is read
// from the file, even by a new analysis starting with a fresh verdict word and a rewind.
TEST_F(FileReaderTest, AFailureIsReportedOnceAndNothingIsReadAfterIt) {
    const struct {
        PlatformCall call;
        int error;
        const char* message;
        const char* state;  // right after the failure
    } cases[] = {
        {PlatformCall::Tell, 6, "positioning failure: 6", "0+0/0 stop verdict 1"},
        {PlatformCall::Read, 23, "read error: 23", "0+0/0 verdict 1"},
        // A jump past the bytes read fails at the read that follows it.
        {PlatformCall::Seek, 131, "postitioning error: 131", "70036+0/0 stop verdict 1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        sink_.clear();
        open(counting(kReadSize + 5000));
        rewind_reader(false);
        fail_platform_call(c.call, c.error, 0, -1);  // a failed read is tried again
        if (c.call == PlatformCall::Seek) {
            read_byte();
            seek_to(kReadSize + 4500);
            EXPECT_EQ("70036+0/0 verdict 0", reader_state());
            EXPECT_EQ(0, read_byte());
        } else {
            EXPECT_EQ(0u, read_u32());
        }
        EXPECT_EQ(c.state, reader_state());
        file_reader.verdict = 0;
        rewind_reader(true);
        EXPECT_EQ(0, read_byte());
        EXPECT_EQ(1, file_reader.verdict);
        clear_platform_faults();
        ASSERT_EQ(1u, sink_.entries().size());
        EXPECT_EQ(1, sink_.entries()[0].category);
        EXPECT_FALSE(sink_.entries()[0].timestamp.empty());
        EXPECT_EQ(file_reader.file_name, sink_.entries()[0].name);
        EXPECT_EQ(c.message, sink_.entries()[0].message);
    }
}

const Bytes kEpsText = "%!PS-Adobe-3.0 EPSF-3.0\n%%EndComments\n%%EndSetup\n";

// Lines up to `size` bytes, then `last`.
Bytes long_text(std::size_t size, const Bytes& last) {
    Bytes text = kEpsText;
    while (text.size() < size) text += "0 0 moveto 10 10 lineto stroke\n";
    return text + last;
}

// The answers of large reads are those of reading 4096 bytes at a time, also when a read
// fails part-way: the failure lands on the same block, after the same bytes. The files:
// a TIFF directory and a PostScript section reached by a jump outside and inside the
// bytes read, JPEG segments passed over, a long text, and sections whose end limit falls
// inside a block (the rest of that block is scanned, the next block not).
TEST_F(FileReaderTest, LargeReadsGiveTheAnswersOfBlockReads) {
    const auto tiff_at = [](std::uint32_t directory) {
        return Bytes("II*\0", 4) + le32(directory) + fill(directory - 8, 0) + le16(1) +
               ifd_entry(true, 262, 3, 1, 5) + le32(0);
    };
    const auto eps_section = [](std::uint32_t start, std::uint32_t length) {
        Bytes file = eps_binary_header(start, length) + fill(start - 30, ' ') + kEpsText;
        file += fill(start + length + 1000 - file.size(), ' ') + "\n1 0 0 setrgbcolor\n";
        return file + fill(start + length + 4200 - file.size(), ' ') + "\n0 0 0 1 setcmykcolor\n";
    };
    const Bytes frame = Bytes("\x08\0\x01\0\x01\x04", 6) + fill(12, 1);
    const std::pair<const char*, Bytes> files[] = {
        {"far.tif", tiff_at(70000)},
        {"near.tif", tiff_at(20000)},
        {"segments.jpg", Bytes("\xFF\xD8", 2) + jpeg_segment(0xE1, fill(65000, 'x')) +
                             jpeg_segment(0xE2, fill(30000, 'y')) + jpeg_segment(0xC0, frame)},
        {"text.eps", long_text(150000, "0 0 0 1 setcmykcolor\n")},
        {"far-section.eps", eps_section(70000, 5000)},
        {"near-section.eps", eps_section(5000, 3000)}};
    Options options = {};
    set_default_options(&options);
    options.file_scan_flags |= kCheckEps | kEmbedded;
    options.logging_flags |= kLogEpsJpegs;
    const auto answer = [&](const std::string& path, std::uint32_t cap, std::uint32_t fault) {
        sink_.clear();
        cap_read_size(cap);
        fail_reads_at(fault, 5);
        std::string text = std::to_string(static_cast<int>(check_file(path.c_str(), options)));
        clear_platform_faults();
        for (const std::string& message : sink_.messages()) text += " " + message;
        return text + (file_reader.embedded_jpeg_seen ? " jpeg" : "");
    };
    for (const auto& [name, contents] : files) {
        const std::string path = scratch_.write(name, contents);
        for (const std::uint32_t fault : {0xFFFFFFFFu, 0u, 4095u, 4096u, 8191u, 20000u, 65535u,
                                          65536u, 70000u, 74100u, 76000u, 100000u, 140000u}) {
            SCOPED_TRACE(std::string(name) + " failing at " + std::to_string(fault));
            EXPECT_EQ(answer(path, kBlockSize, fault), answer(path, 0, fault));
        }
    }
}

// A file that shrinks after the open ends where it now ends; one that grows is read as it
// was or as it is, never past the buffer.
TEST_F(FileReaderTest, AFileChangingSizeAfterTheOpenGetsASoundAnswer) {
    const Bytes rgb = long_text(50000, "1 0 0 setrgbcolor\n");
    open(rgb + fill(40000, ' ') + "\n0 setcmykcolor\n");
    std::filesystem::resize_file(file_reader.file_name, rgb.size());
    EXPECT_EQ(Verdict::PossiblyRgb, analyse_eps(true, false));
    open(rgb);
    std::ofstream(file_reader.file_name, std::ios::app) << fill(40000, ' ') + "\n0 setcmykcolor\n";
    const Verdict grown = analyse_eps(true, false);
    EXPECT_TRUE(grown == Verdict::PossiblyRgb || grown == Verdict::PossiblyBoth);
    EXPECT_TRUE(sink_.entries().empty());
}

}  // namespace
