#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <sstream>

#include "platform/BinaryDataReader.h"
#include "platform/BinaryDataWriter.h"
#include "platform/BinaryFileReader.h"
#include "platform/BinaryFileWriter.h"
#include "platform/BinaryResourceReader.h"
#include "platform/EResource.h"
#include "presets/PresetBytes.h"
#include "platform/ResourceStore.h"

namespace {

std::uint32_t bitsOf(float f) {
    std::uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

}  // namespace

TEST(BinaryStreams, NumbersAreRawLittleEndianAndReadBackBitExact) {
    const float nan = std::bit_cast<float>(0x7fc01234u);
    std::string bytes = FileBytes().header("ZXil", 1).i32(-2).f32(1.0f).f32(-0.0f).f32(nan).str();
    const unsigned char expected[] = {'Z', 'X', 'i', 'l', 1, 0, 0, 0, 0xfe, 0xff, 0xff, 0xff,
                                      0, 0, 0x80, 0x3f, 0, 0, 0, 0x80, 0x34, 0x12, 0xc0, 0x7f};
    ASSERT_EQ(bytes, std::string(reinterpret_cast<const char*>(expected), sizeof expected));

    std::istringstream in(bytes);
    BinaryDataReader reader(in);
    EXPECT_EQ(reader.getVersion(), -1);
    EXPECT_EQ(readHeader(reader), "ZXil");
    EXPECT_EQ(reader.getVersion(), 1);
    EXPECT_EQ(reader.readInt(), -2);
    EXPECT_EQ(bitsOf(reader.readFloat()), bitsOf(1.0f));
    EXPECT_EQ(bitsOf(reader.readFloat()), 0x80000000u);
    EXPECT_EQ(bitsOf(reader.readFloat()), 0x7fc01234u);
    EXPECT_TRUE(reader.good());
}

TEST(BinaryStreams, ShortReadFailsAndEveryLaterReadIsZero) {
    std::istringstream in(std::string("\x01\x02\x03\x04\x05\x06", 6));
    BinaryDataReader reader(in);
    EXPECT_EQ(reader.readInt(), 0x04030201);
    EXPECT_EQ(reader.readInt(), 0);  // two bytes left: not half a value
    EXPECT_FALSE(reader.good());
    EXPECT_EQ(reader.readFloat(), 0.0f);
    EXPECT_EQ(reader.readTag(), "");
}

TEST(BinaryStreams, HeaderOfShortStreamIsEmptyMagicAndNoVersion) {
    for (const std::string& bytes : {std::string(), std::string("ZK2l"), std::string("ZK2l\x02\x00", 6)}) {
        std::istringstream in(bytes);
        BinaryDataReader reader(in);
        reader.setVersion(7);
        EXPECT_EQ(readHeader(reader), "") << bytes.size();
        EXPECT_EQ(reader.getVersion(), -1);
    }
}

TEST(BinaryStreams, WriterRefusesATagThatCannotBeReadBack) {
    std::ostringstream out;
    BinaryDataWriter writer(out);
    writer.writeHeader("ab", 1);
    EXPECT_FALSE(writer.good());
    EXPECT_TRUE(out.str().empty());
}

TEST(BinaryFiles, MissingFileReadsAsFailedAndUnwritablePathReportsFailure) {
    ScratchFolder folder;
    BinaryFileReader reader(folder.file("absent.zxp"));
    EXPECT_FALSE(reader.isOpen());
    EXPECT_EQ(readHeader(reader), "");
    EXPECT_FALSE(reader.good());

    BinaryFileWriter bad(folder.file("no-such-folder/x.zxp"));
    bad.writeInt(1);
    EXPECT_FALSE(bad.close());

    BinaryFileWriter good(folder.file("x.bin"));
    good.writeHeader("ZXCM", 1);
    EXPECT_TRUE(good.close());
    EXPECT_EQ(ScratchFolder::read(folder.file("x.bin")), FileBytes().header("ZXCM", 1).str());
}

TEST(ResourceStore, LookUpIgnoresCaseAndOptionallyTheExtension) {
    static const unsigned char one[] = {1}, png[] = {2}, plain[] = {3};
    ResourceStore store;
    store.registerResource("One.fil", one, 1);
    store.registerResource("One.png", png, 1);
    store.registerResource("MidiControllerMap", plain, 1);

    EXPECT_EQ(store.find("ONE.FIL")->data, one);
    EXPECT_FALSE(store.find("One"));  // exact look-up keeps the extension
    EXPECT_EQ(store.find("ONE", ResourceStore::Match::StripExtension)->data, one);
    EXPECT_EQ(store.find("one.xyz", ResourceStore::Match::StripExtension)->data, one);
    // An exact name beats an earlier resource that only shares the stem.
    EXPECT_EQ(store.find("one.PNG", ResourceStore::Match::StripExtension)->data, png);
    EXPECT_EQ(store.find("midicontrollermap.zxm", ResourceStore::Match::StripExtension)->data, plain);
    EXPECT_FALSE(store.find("On", ResourceStore::Match::StripExtension));
}

TEST(ResourceStore, ReRegisteringReplacesAndCopiesOutliveTheirSource) {
    ResourceStore store;
    std::optional<ResourceStore::Resource> held;
    {
        std::string bytes = "first";
        store.registerCopy("Data.bin", bytes.data(), bytes.size());
        held = store.find("data.bin");
        bytes = "XXXXX";
        std::string second = "second";
        store.registerCopy("DATA.BIN", second.data(), second.size());
    }
    EXPECT_EQ(store.names().size(), 1u);
    auto now = store.find("Data.bin");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(now->data), now->size), "second");
    // A handle taken before the replacement still reads the bytes it was given.
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(held->data), held->size), "first");
    EXPECT_TRUE(store.unregister("data.BIN"));
    EXPECT_FALSE(store.contains("Data.bin"));
    EXPECT_FALSE(store.unregister("Data.bin"));
}

TEST(ResourceStore, BuildEmbedsTheFilesUnderResources) {
    std::string onDisk = ScratchFolder::read(std::string(KESTRUM_SOURCE_DIR) + "/resources/filters/Gentle.fil");
    ASSERT_FALSE(onDisk.empty());
    auto found = ResourceStore::instance().find("gentle.FIL");
    ASSERT_TRUE(found);
    EXPECT_EQ(found->name, "Gentle.fil");  // file name only, no folder
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(found->data), found->size), onDisk);
    // Documentation beside the resources is not embedded.
    EXPECT_FALSE(ResourceStore::instance().contains("README.md"));

    BinaryResourceReader reader("GENTLE", ResourceStore::Match::StripExtension);
    EXPECT_TRUE(reader.isEmbedded());
    std::string bytes(onDisk.size(), '\0');
    EXPECT_TRUE(reader.readBytes(bytes.data(), bytes.size()));
    EXPECT_EQ(bytes, onDisk);
    EXPECT_EQ(reader.readInt(), 0);
    EXPECT_FALSE(reader.good());
}

TEST(BinaryResourceReader, FallsBackToAFileAndRaisesWhenNeitherExists) {
    ScratchFolder folder;
    ResourceStore empty;
    std::string path = folder.write("Map.zxm", FileBytes().header("ZXCM", 1).str());
    BinaryResourceReader fromFile(path, ResourceStore::Match::ExactName, empty);
    EXPECT_FALSE(fromFile.isEmbedded());
    EXPECT_EQ(readHeader(fromFile), "ZXCM");

    try {
        BinaryResourceReader missing(folder.file("Nothing.fil"), ResourceStore::Match::StripExtension, empty);
        FAIL() << "no exception";
    } catch (const EResource& e) {
        EXPECT_STREQ(e.what(), "Resource not found");
        EXPECT_EQ(e.name(), folder.file("Nothing.fil"));
    }
}
