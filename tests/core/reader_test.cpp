// The buffered reader: block boundaries, end limit, seek rules, byte order and every
// failure row, through real files and the platform's fault switch.
#include <gtest/gtest.h>

#include "collect_sink.h"
#include "reader.h"
#include "scratch.h"

namespace {

class FileReaderTest : public ::testing::Test {
  protected:
    void SetUp() override { reset_core_state(); }
    void TearDown() override {
        platform_close(file_reader.handle);
        file_reader.handle = kNoFile;
        clear_platform_faults();
    }

    // Opens `contents` as the file under examination, the way the check does.
    void open(const Bytes& contents) {
        path_ = scratch_.write("data.bin", contents);
        const PlatformFile file = platform_open_read(path_.c_str());
        ASSERT_TRUE(is_open(file)) << path_;
        file_reader.file_name = path_.c_str();
        reset_reader_for_file(file);
        file_reader.verdict = 0;
    }

    Bytes counting(std::size_t size) {
        Bytes out;
        for (std::size_t i = 0; i < size; ++i) out += static_cast<char>(i * 7 + 1);
        return out;
    }

    ScratchDir scratch_;
    std::string path_;
    CollectingSink sink_;
};

TEST_F(FileReaderTest, EmptyFileSetsEndOfDataOnFirstRead) {
    open("");
    EXPECT_EQ(0, read_byte());
    EXPECT_TRUE(file_reader.end_of_data);
    EXPECT_EQ(0, file_reader.verdict);
}

TEST_F(FileReaderTest, ByteAfterTheFirstBlockComesFromASecondBlock) {
    const Bytes data = counting(4097);
    open(data);
    for (int i = 0; i < 4096; ++i) ASSERT_EQ(static_cast<unsigned char>(data[i]), read_byte());
    EXPECT_EQ(0u, file_reader.buffer_start);
    EXPECT_EQ(static_cast<unsigned char>(data[4096]), read_byte());
    EXPECT_EQ(4096u, file_reader.buffer_start);
    EXPECT_EQ(1u, file_reader.buffered);
    EXPECT_FALSE(file_reader.end_of_data);
    EXPECT_EQ(0, read_byte());
    EXPECT_TRUE(file_reader.end_of_data);
}

TEST_F(FileReaderTest, EndOfDataStaysUntilReset) {
    open("A");
    EXPECT_EQ('A', read_byte());
    EXPECT_EQ(0, read_byte());
    seek_to(0);  // seek_to never clears end_of_data
    EXPECT_EQ(0, read_byte());
    rewind_reader(false);
    EXPECT_EQ('A', read_byte());
}

TEST_F(FileReaderTest, NumbersFollowTheByteOrder) {
    open(Bytes("\x12\x34\x12\x34\x56\x78", 6));
    file_reader.little_endian = 0;
    EXPECT_EQ(0x1234u, read_u16());
    EXPECT_EQ(0x12345678u, read_u32());
    rewind_reader(true);
    EXPECT_EQ(0x3412u, read_u16());
    EXPECT_EQ(0x78563412u, read_u32());
}

TEST_F(FileReaderTest, NumbersPastTheEndReadAsZero) {
    open(Bytes("\xAB", 1));
    EXPECT_EQ(0xAB00u, read_u16());
    EXPECT_TRUE(file_reader.end_of_data);
    EXPECT_EQ(0u, read_u32());
}

TEST_F(FileReaderTest, SeekInsideTheBlockOnlyMovesTheCursor) {
    const Bytes data = counting(5000);
    open(data);
    read_byte();
    fail_platform_call(PlatformCall::Seek, 5);  // would fail if the file pointer moved
    seek_to(100);
    EXPECT_EQ(static_cast<unsigned char>(data[100]), read_byte());
    seek_to(0);
    EXPECT_EQ(static_cast<unsigned char>(data[0]), read_byte());
    EXPECT_EQ(0, file_reader.verdict);
}

TEST_F(FileReaderTest, SeekToTheEndOfTheBlockRefillsFromThere) {
    const Bytes data = counting(5000);
    open(data);
    read_byte();
    fail_platform_call(PlatformCall::Seek, 5);
    seek_to(4096);  // buffer_start + buffered: still "inside"
    EXPECT_EQ(4096u, file_reader.cursor);
    EXPECT_EQ(static_cast<unsigned char>(data[4096]), read_byte());
    EXPECT_EQ(4096u, file_reader.buffer_start);
    EXPECT_EQ(0, file_reader.verdict);
}

TEST_F(FileReaderTest, SeekOutsideTheBlockReadsFromTheNewPosition) {
    const Bytes data = counting(9000);
    open(data);
    read_byte();
    seek_to(8000);
    EXPECT_EQ(0u, file_reader.buffered);
    EXPECT_EQ(static_cast<unsigned char>(data[8000]), read_byte());
    EXPECT_EQ(8000u, file_reader.buffer_start);
    EXPECT_EQ(1000u, file_reader.buffered);
}

TEST_F(FileReaderTest, SeekPastTheEndIsAcceptedAndReadsEndOfData) {
    open("abc");
    seek_to(0xFFFFFFF0u);
    EXPECT_EQ(0, file_reader.verdict);
    EXPECT_EQ(0, read_byte());
    EXPECT_TRUE(file_reader.end_of_data);
    EXPECT_TRUE(sink_.entries().empty());
}

TEST_F(FileReaderTest, RefillStartingAtTheEndLimitStillReadsOnePastItDoesNot) {
    const Bytes data = counting(3 * 4096);
    open(data);
    file_reader.end_limit = 4096;
    seek_to(4096);  // refill starts exactly at the limit
    EXPECT_EQ(static_cast<unsigned char>(data[4096]), read_byte());
    EXPECT_FALSE(file_reader.end_of_data);

    rewind_reader(false);
    file_reader.end_limit = 4095;
    seek_to(4096);  // starts past it
    EXPECT_EQ(0, read_byte());
    EXPECT_TRUE(file_reader.end_of_data);
}

TEST_F(FileReaderTest, EndLimitIsCheckedOnlyWhenANewBlockIsRead) {
    const Bytes data = counting(3 * 4096);
    open(data);
    file_reader.end_limit = 10;
    for (int i = 0; i < 4096; ++i) read_byte();  // the whole first block is delivered
    EXPECT_FALSE(file_reader.end_of_data);
    EXPECT_EQ(0, read_byte());
    EXPECT_TRUE(file_reader.end_of_data);
}

TEST_F(FileReaderTest, PositionFailureAtRefillIsReportedAndStops) {
    open("abc");
    fail_platform_call(PlatformCall::Tell, 6);
    EXPECT_EQ(0, read_byte());
    EXPECT_EQ(1, file_reader.verdict);
    EXPECT_TRUE(file_reader.stop);
    EXPECT_FALSE(file_reader.end_of_data);
    ASSERT_EQ(1u, sink_.entries().size());
    const CollectedEntry& entry = sink_.entries()[0];
    EXPECT_EQ(1, entry.category);
    EXPECT_FALSE(entry.timestamp.empty());
    EXPECT_EQ(path_, entry.name);
    EXPECT_EQ("positioning failure: 6", entry.message);
}

// One failure, one entry: after it nothing more is read from the file, even by a new
// analysis starting with a fresh verdict word and a rewind.
TEST_F(FileReaderTest, AFailureIsReportedOnceAndNothingIsReadAfterIt) {
    open("abc");
    fail_platform_call(PlatformCall::Read, 23, 0, 1);
    EXPECT_EQ(0, read_u32());
    EXPECT_EQ(1, file_reader.verdict);
    file_reader.verdict = 0;
    rewind_reader(true);
    EXPECT_EQ(0, read_byte());
    EXPECT_EQ(1, file_reader.verdict);
    EXPECT_EQ(std::vector<std::string>{"read error: 23"}, sink_.messages());
}

TEST_F(FileReaderTest, FailedMoveIsReportedWithTheProgramsSpelling) {
    const Bytes data = counting(5000);
    open(data);
    read_byte();
    fail_platform_call(PlatformCall::Seek, 131);
    seek_to(4500);
    EXPECT_EQ(1, file_reader.verdict);
    EXPECT_TRUE(file_reader.stop);
    EXPECT_FALSE(file_reader.end_of_data);
    EXPECT_EQ(0u, file_reader.buffered);
    ASSERT_EQ(1u, sink_.entries().size());
    EXPECT_EQ("postitioning error: 131", sink_.entries()[0].message);
    EXPECT_EQ(1, sink_.entries()[0].category);
}

}  // namespace
