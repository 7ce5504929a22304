// The buffered reader: the seek rules and every failure row, through real files and the
// platform's fault switch. Byte order, block boundaries and the end of the data are the
// analyses' tests (both byte orders of TIFF, segments across blocks, files cut short); the
// end limit is tested where the EPS analysis sets it.
#include <gtest/gtest.h>

#include "tests/support/collect_sink.h"
#include "tests/support/examined_file.h"
#include "classify/reader.h"

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
    clear_platform_faults();
    seek_to(8500);
    EXPECT_EQ("8500+0/0 verdict 0", reader_state());
    EXPECT_EQ(byte_at(8500), read_byte());
    EXPECT_EQ("8500+1/500 verdict 0", reader_state());
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
        {PlatformCall::Seek, 131, "postitioning error: 131", "0+0/0 stop verdict 1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        sink_.clear();
        open(counting(5000));
        rewind_reader(false);
        fail_platform_call(c.call, c.error, 0, 1);
        if (c.call == PlatformCall::Seek) {
            read_byte();
            seek_to(4500);
        } else {
            EXPECT_EQ(0u, read_u32());
        }
        EXPECT_EQ(c.state, reader_state());
        file_reader.verdict = 0;
        rewind_reader(true);
        EXPECT_EQ(0, read_byte());
        EXPECT_EQ(1, file_reader.verdict);
        ASSERT_EQ(1u, sink_.entries().size());
        EXPECT_EQ(1, sink_.entries()[0].category);
        EXPECT_FALSE(sink_.entries()[0].timestamp.empty());
        EXPECT_EQ(file_reader.file_name, sink_.entries()[0].name);
        EXPECT_EQ(c.message, sink_.entries()[0].message);
    }
}

}  // namespace
