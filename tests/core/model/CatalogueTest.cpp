#include "model/ECU.h"

#include <gtest/gtest.h>
#include <memory>

using namespace zolmar;

namespace {

struct CatalogueTest : ::testing::Test {
    SilentMessages messages;
    std::unique_ptr<tECU> ecu = std::make_unique<tECU>(messages);
};

TEST_F(CatalogueTest, FinishByteAndUnknownCodesEndWalks) {
    EXPECT_EQ(tECU::LogicSize(255), 0);
    for (int code : {20, 30, 32, 93, 96, 126, 128, 158, 160, 190, 192, 254}) {
        EXPECT_EQ(tECU::LogicSize(code), -1) << code;
        EXPECT_EQ(tECU::LiveSize(code), -1) << code;
        EXPECT_EQ(tECU::InputCount(code), -1) << code;
        EXPECT_EQ(ecu->OutputCount(code), -1) << code;
        EXPECT_EQ(ecu->ConstSize(code, 0), -1) << code;
        EXPECT_EQ(ecu->PictureIndex(code, 0), -1) << code;
        EXPECT_EQ(tECU::TypeName(code), "?") << code;
    }
    EXPECT_EQ(tECU::LogicSize(-1), -1);
    EXPECT_EQ(tECU::LogicSize(256), -1);
}

TEST_F(CatalogueTest, RecordSizesMatchTheirInputWords) {
    // Every record is the four header bytes plus its input words plus its labels.
    for (int code = 0; code < 256; ++code) {
        int size = tECU::LogicSize(code);
        if (size <= 0)
            continue;
        int labels = code == ElementType::Mux4 ? 64 : code == ElementType::Mux32 ? 512 : 0;
        EXPECT_EQ(size, 4 + 2 * tECU::InputCount(code) + labels) << code;
        // Outputs always lie inside the live block.
        EXPECT_LE(2 * ecu->OutputCount(code), tECU::LiveSize(code)) << code;
        EXPECT_EQ(tECU::LiveSize(code) % 2, 0) << code;
    }
}

TEST_F(CatalogueTest, TableSizesComeFromTheirCountBytes) {
    ecu->WriteConstByte(100, 3);
    EXPECT_EQ(ecu->ConstSize(ElementType::Table2D, 100), 13);
    ecu->WriteConstByte(200, 3);
    ecu->WriteConstByte(201, 5);
    EXPECT_EQ(ecu->ConstSize(ElementType::Table3D, 200), 48);
    ecu->WriteConstByte(300, 255);
    ecu->WriteConstByte(301, 255);
    EXPECT_EQ(ecu->ConstSize(ElementType::Table3D, 300), 2 + 510 + 510 + 2 * 255 * 255);
    // Dimensions read past the constant area stay inside the image.
    EXPECT_GE(ecu->ConstSize(ElementType::Table3D, 65535), 2);
}

TEST_F(CatalogueTest, InjectorOutputsFollowTheFixedSwitchByte) {
    EXPECT_EQ(ecu->OutputCount(ElementType::Injectors), 0);
    ecu->WriteConstByte(290, 1);
    EXPECT_EQ(ecu->OutputCount(ElementType::Injectors), 1);
    // The picture follows the element's own byte 25, wherever the element is.
    EXPECT_EQ(ecu->PictureIndex(ElementType::Injectors, 1000), 28);
    ecu->WriteConstByte(1025, 3);
    EXPECT_EQ(ecu->PictureIndex(ElementType::Injectors, 1000), 39);
}

TEST_F(CatalogueTest, GaugePictureFollowsItsFlags) {
    EXPECT_EQ(ecu->PictureIndex(ElementType::Gauge, 10), 34);
    ecu->WriteConstByte(18, 2);
    EXPECT_EQ(ecu->PictureIndex(ElementType::Gauge, 10), 37);
    ecu->WriteConstByte(18, 3);
    EXPECT_EQ(ecu->PictureIndex(ElementType::Gauge, 10), 33);
}

TEST_F(CatalogueTest, NamesAndPictures) {
    EXPECT_EQ(tECU::TypeName(ElementType::Mux32), "32way Mux");
    EXPECT_EQ(tECU::TypeName(ElementType::AuxOnInj), "Aux on Inj");
    EXPECT_EQ(tECU::TypeName(ElementType::Inputs), "?");
    EXPECT_STREQ(typeInfo(ElementType::PID).initialName, "PID controller");
    EXPECT_STREQ(pictureName(0), "Const_Image");
    EXPECT_STREQ(pictureName(40), "Mux32_Image");
    EXPECT_STREQ(pictureName(41), "");
    EXPECT_EQ(ecu->PictureIndex(ElementType::Label, 0), -1);
}

} // namespace
