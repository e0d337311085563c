// Function names as the loader prints them: demangled, without parameters.
#include <gtest/gtest.h>

#include <image/function_name.h>

namespace {

using host::image::readableFunctionName;
using host::image::withoutParameters;

TEST(FunctionName, CppNamesAreDemangledWithoutTheirParameters) {
    EXPECT_EQ(readableFunctionName("_ZN13CaptureWorker10ThreadMainEPv"),
              "CaptureWorker::ThreadMain");
    EXPECT_EQ(readableFunctionName("_Z17AllocZeroedTaggedy10_POOL_TYPEm"), "AllocZeroedTagged");
    EXPECT_EQ(
        readableFunctionName(
            "_ZN12_GLOBAL__N_110HandleToneEP4_IRPP12KSIDENTIFIERPvM12CameraDeviceFvlEMS5_FlvE."
            "constprop.0"),
        "(anonymous namespace)::HandleTone");
    EXPECT_EQ(readableFunctionName("_ZNK12CameraDevice8settingsEv"), "CameraDevice::settings");
}

TEST(FunctionName, OtherNamesAreKept) {
    EXPECT_EQ(readableFunctionName("DriverEntry"), "DriverEntry");
    EXPECT_EQ(readableFunctionName("___chkstk_ms"), "___chkstk_ms");
    EXPECT_EQ(readableFunctionName("_Znot_really_mangled"), "_Znot_really_mangled");
}

TEST(FunctionName, OnlyTheTrailingParameterListGoes) {
    EXPECT_EQ(withoutParameters("Foo::bar(int, char*) const &"), "Foo::bar");
    EXPECT_EQ(withoutParameters("Foo::bar()::{lambda(int)#1}::operator()(int) const"),
              "Foo::bar()::{lambda(int)#1}::operator()");
    EXPECT_EQ(withoutParameters("void Apply<void (*)(int)>(void (*)(int))"),
              "void Apply<void (*)(int)>");
    EXPECT_EQ(withoutParameters("(anonymous namespace)::kTable"), "(anonymous namespace)::kTable");
    EXPECT_EQ(withoutParameters("(broken"), "(broken");
}

}  // namespace
