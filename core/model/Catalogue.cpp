#include "model/Catalogue.h"

#include <array>

namespace zolmar {

namespace {

constexpr TypeInfo kInvalid{false, "?", -1, -1, -1, -1, -1, -1, ""};

constexpr std::array<TypeInfo, 256> makeCatalogue() {
    std::array<TypeInfo, 256> t{};
    for (auto& e : t)
        e = kInvalid;
    t[0] = {true, "Label", 4, 0, 0, 0, 0, -1, "Label"};
    t[1] = {true, "Constant", 4, 2, 2, 0, 1, 0, "Constant"};
    t[2] = {true, "2D Table", 12, -2, 10, 4, 4, 1, "2D table"};
    t[3] = {true, "Display", 6, 0, 0, 1, 0, 33, "Display"};
    t[4] = {true, "3D Table", 14, -2, 12, 5, 5, 2, "3D table"};
    t[5] = {true, "Summer", 8, 1, 2, 2, 1, 3, "Summer"};
    t[6] = {true, "Multiplier", 10, 0, 2, 3, 1, 4, "Multiplier"};
    t[7] = {true, "PID", 28, 1, 12, 12, 2, 5, "PID controller"};
    t[8] = {true, "Clipper", 10, 0, 6, 3, 3, 6, "Clipper"};
    t[9] = {true, "Comparator", 8, 1, 2, 2, 1, 3, "Comparator"};
    t[10] = {true, "Switch", 10, 0, 2, 3, 1, 7, "Switch"};
    t[11] = {true, "Tickbox", 8, 1, 2, 2, 1, 21, "Tickbox"};
    t[12] = {true, "4way Mux", 76, 1, 2, 4, 1, 22, "4-way mux"};
    t[13] = {true, "Timer", 8, 0, 4, 2, 2, 8, "Timer"};
    t[14] = {true, "Latch", 8, 1, 4, 2, 1, 9, "Latch"};
    t[15] = {true, "Delay", 6, 2, 22, 1, 1, 10, "Delay"};
    t[16] = {true, "Gauge", 6, 9, 2, 1, 0, 34, "Gauge"};
    t[17] = {true, "Stepper", 6, 1, 8, 1, 3, 35, "Stepper Block"};
    t[18] = {true, "Wrapper", 10, 0, 2, 3, 1, 36, "Wrapper"};
    t[19] = {true, "32way Mux", 580, 1, 2, 32, 1, 40, "32-way mux"};
    t[31] = {true, "?", 100, 26, 6, 48, 0, 28, "Injector outputs"};
    t[63] = {true, "?", 36, 10, 2, 16, 0, 29, "Ignition outputs"};
    t[94] = {true, "Aux on Inj", 36, 8, 2, 16, 0, 38, "AuxOuts on Injectors5-12"};
    t[95] = {true, "?", 36, 8, 2, 16, 0, 30, "Aux outputs"};
    t[127] = {true, "?", 4, 1, 88, 0, 44, 27, "Analogue inputs"};
    t[159] = {true, "?", 4, 256, 160, 0, 53, 31, "Inputs"};
    t[191] = {true, "?", 12, 128, 16, 4, 0, 32, "General"};
    t[255] = {true, "?", 0, 0, 0, 0, 0, -1, ""};
    return t;
}

constexpr std::array<TypeInfo, 256> kCatalogue = makeCatalogue();

constexpr std::array<const char*, kNumPictures> kPictureNames = {
    "Const_Image", "Table1_image",   "Table2_image",   "Summer_image",      "Mult_image",
    "PID_image",   "Splitter_image", "Mux_image",      "Timer_image",       "Latch_image",
    "Delay_image", "CompEQ_image",   "CompGE_image",   "CompG_image",       "CompLE_image",
    "CompL_image", "And_image",      "Or_image",       "Xor_image",         "Plus_image",
    "Minus_image", "MuxTick_image",  "MuxSel4_image",  "MuxTickTick_image", "MuxTickCross_image",
    "Sum_image",   "CompNE_image",   "Ana_image",      "Inj_image",         "Ign_image",
    "Aux_image",   "Input_image",    "Gen_image",      "Disp_image",        "Gauge_image",
    "Step_image",  "Wrap_image",     "GaugeBig_image", "InjAux_image",      "MultiInj_Image",
    "Mux32_Image"};

} // namespace

const TypeInfo& typeInfo(int type) {
    if (type < 0 || type > 255)
        return kCatalogue[20]; // an invalid entry
    return kCatalogue[static_cast<size_t>(type)];
}

bool isDedicatedType(int type) {
    switch (type) {
    case ElementType::Injectors:
    case ElementType::Ignition:
    case ElementType::AuxOutputs:
    case ElementType::AnalogueInputs:
    case ElementType::Inputs:
    case ElementType::General:
        return true;
    default:
        return false;
    }
}

const char* pictureName(int picture) {
    if (picture < 0 || picture >= kNumPictures)
        return "";
    return kPictureNames[static_cast<size_t>(picture)];
}

} // namespace zolmar
