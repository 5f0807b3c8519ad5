#include "editor/Geometry.h"

#include <array>

namespace zolmar {

namespace {

constexpr std::array<PictureSize, kNumPictures> kPictureSizes = {{
    {86, 29},   {206, 67},  {206, 84},  {103, 33},  {120, 50},  {239, 203}, {239, 51},
    {137, 51},  {222, 33},  {171, 33},  {137, 33},  {18, 21},   {18, 21},   {18, 21},
    {18, 21},   {18, 21},   {18, 16},   {18, 16},   {18, 16},   {6, 7},     {6, 7},
    {73, 33},   {222, 67},  {30, 27},   {30, 27},   {18, 21},   {18, 21},   {255, 749},
    {326, 816}, {217, 272}, {239, 272}, {222, 902}, {205, 67},  {103, 33},  {158, 132},
    {323, 51},  {239, 51},  {241, 209}, {239, 272}, {326, 816}, {222, 543},
}};

} // namespace

PictureSize pictureSize(int picture) {
    if (picture < 0 || picture >= kNumPictures)
        return {0, 0};
    return kPictureSizes[static_cast<size_t>(picture)];
}

ElementBox elementBox(const tECU& ecu, int i, int labelNameWidth) {
    ElementBox box;
    int type = ecu.TypeOf(i);
    box.x = ecu.ColumnOf(i);
    box.y = ecu.RowOf(i);
    box.left = Grid::kCell * box.x;
    box.top = Grid::kCell * box.y;
    box.picture = ecu.PictureIndex(type, ecu.ElementConstOffset[i]);
    if (box.picture >= 0) {
        PictureSize s = pictureSize(box.picture);
        box.w = s.w;
        box.h = s.h;
    } else if (type == ElementType::Label) {
        box.w = labelNameWidth;
        box.h = Grid::kLabelHeight;
    }
    return box;
}

int sourcePinX(const ElementBox& box) {
    return box.left + (box.picture >= 0 ? box.w : 102);
}

} // namespace zolmar
