// MDLs: what IoAllocateMdl records about a buffer, chaining onto an IRP,
// the system address of non-paged and locked buffers, and the arithmetic
// of partial MDLs (offsets, page spans, PFN slices), with the misuses the
// kernel would stop for.
#include <kernel/host_kernel.h>

#include <vector>

#include "support/ledger_test.h"

namespace {

class MdlTest : public LedgerTest {
  protected:
    // Three and a half pages, starting 0x100 bytes into a page.
    void SetUp() override {
        LedgerTest::SetUp();
        storage_.resize(6 * PAGE_SIZE);
        auto base = reinterpret_cast<ULONG_PTR>(storage_.data());
        auto aligned = (base + PAGE_SIZE - 1) & ~static_cast<ULONG_PTR>(PAGE_SIZE - 1);
        buffer_ = reinterpret_cast<PUCHAR>(aligned + 0x100);
    }

    std::vector<UCHAR> storage_;
    PUCHAR buffer_ = nullptr;
    static constexpr ULONG kLength = 3 * PAGE_SIZE + PAGE_SIZE / 2;
};

TEST_F(MdlTest, AllocatedMdlDescribesTheBuffer) {
    PMDL mdl = IoAllocateMdl(buffer_, kLength, FALSE, FALSE, nullptr);
    ASSERT_NE(mdl, nullptr);
    EXPECT_EQ(mdl->StartVa, PAGE_ALIGN(buffer_));
    EXPECT_EQ(mdl->ByteOffset, 0x100U);
    EXPECT_EQ(MmGetMdlByteCount(mdl), kLength);
    EXPECT_EQ(MmGetMdlVirtualAddress(mdl), buffer_);
    EXPECT_EQ(ADDRESS_AND_SIZE_TO_SPAN_PAGES(buffer_, kLength), 4U);
    EXPECT_EQ(static_cast<SIZE_T>(mdl->Size), sizeof(MDL) + 4 * sizeof(PFN_NUMBER));
    EXPECT_EQ(host::liveMdls(), 1U);
    EXPECT_EQ(host::poolLedger().liveBlocks(host::kMdlPoolTag), 1U);
    IoFreeMdl(mdl);
    EXPECT_EQ(host::liveMdls(), 0U);
}

TEST_F(MdlTest, NonPagedMdlIsReachableAtItsOwnAddress) {
    PMDL mdl = IoAllocateMdl(buffer_, kLength, FALSE, FALSE, nullptr);
    MmBuildMdlForNonPagedPool(mdl);
    EXPECT_NE(mdl->MdlFlags & MDL_SOURCE_IS_NONPAGED_POOL, 0);
    EXPECT_EQ(MmGetSystemAddressForMdlSafe(mdl, NormalPagePriority), buffer_);
    const PFN_NUMBER firstPage = reinterpret_cast<ULONG_PTR>(buffer_) >> PAGE_SHIFT;
    EXPECT_EQ(MmGetMdlPfnArray(mdl)[0], firstPage);
    EXPECT_EQ(MmGetMdlPfnArray(mdl)[3], firstPage + 3);
    IoFreeMdl(mdl);
}

TEST_F(MdlTest, LockedPagesAreMappedOnDemandAndUnlockedBeforeFree) {
    PMDL mdl = IoAllocateMdl(buffer_, 64, FALSE, FALSE, nullptr);
    MmProbeAndLockPages(mdl, KernelMode, IoWriteAccess);
    EXPECT_EQ(mdl->MdlFlags & MDL_MAPPED_TO_SYSTEM_VA, 0);
    EXPECT_EQ(MmGetSystemAddressForMdlSafe(mdl, NormalPagePriority), buffer_);
    EXPECT_NE(mdl->MdlFlags & MDL_MAPPED_TO_SYSTEM_VA, 0);

    host::ScopedViolationRecorder recorder;
    IoFreeMdl(mdl);
    EXPECT_TRUE(recorder.contains("pages are still locked"));
    MmUnlockPages(mdl);
    IoFreeMdl(mdl);
    EXPECT_EQ(recorder.count(), 1U);
}

TEST_F(MdlTest, SecondaryMdlsChainAfterTheIrpsFirst) {
    PIRP irp = IoAllocateIrp(1, FALSE);
    PMDL first = IoAllocateMdl(buffer_, 16, FALSE, FALSE, irp);
    PMDL second = IoAllocateMdl(buffer_ + 16, 16, TRUE, FALSE, irp);
    EXPECT_EQ(irp->MdlAddress, first);
    EXPECT_EQ(first->Next, second);
    IoFreeMdl(second);
    IoFreeMdl(first);
    IoFreeIrp(irp);
}

// A 2-page slice starting in the second page of a non-paged source: its
// own page offset, the source's PFNs from index 1, and a system address
// inherited from the source.
TEST_F(MdlTest, PartialMdlSlicesTheSource) {
    PMDL source = IoAllocateMdl(buffer_, kLength, FALSE, FALSE, nullptr);
    MmBuildMdlForNonPagedPool(source);
    PUCHAR sliceStart = buffer_ + PAGE_SIZE + 0x80;  // page 1, offset 0x180
    const ULONG sliceLength = PAGE_SIZE;             // reaches into page 2
    PMDL partial = IoAllocateMdl(sliceStart, sliceLength, FALSE, FALSE, nullptr);
    IoBuildPartialMdl(source, partial, sliceStart, sliceLength);

    EXPECT_NE(partial->MdlFlags & MDL_PARTIAL, 0);
    EXPECT_EQ(partial->StartVa, PAGE_ALIGN(sliceStart));
    EXPECT_EQ(partial->ByteOffset, 0x180U);
    EXPECT_EQ(MmGetMdlByteCount(partial), sliceLength);
    EXPECT_EQ(MmGetMdlPfnArray(partial)[0], MmGetMdlPfnArray(source)[1]);
    EXPECT_EQ(MmGetMdlPfnArray(partial)[1], MmGetMdlPfnArray(source)[2]);
    EXPECT_EQ(MmGetSystemAddressForMdlSafe(partial, NormalPagePriority), sliceStart);
    IoFreeMdl(partial);
    IoFreeMdl(source);
}

TEST_F(MdlTest, PartialMdlOfLengthZeroRunsToTheEndOfTheSource) {
    PMDL source = IoAllocateMdl(buffer_, kLength, FALSE, FALSE, nullptr);
    MmProbeAndLockPages(source, KernelMode, IoReadAccess);
    PMDL partial = IoAllocateMdl(buffer_, kLength, FALSE, FALSE, nullptr);
    IoBuildPartialMdl(source, partial, buffer_ + 100, 0);
    EXPECT_EQ(MmGetMdlByteCount(partial), kLength - 100);
    // The source is locked but not mapped: the partial maps on demand.
    EXPECT_EQ(MmGetSystemAddressForMdlSafe(partial, NormalPagePriority), buffer_ + 100);
    IoFreeMdl(partial);
    MmUnlockPages(source);
    IoFreeMdl(source);
}

TEST_F(MdlTest, PartialMdlMisusesAreViolations) {
    host::ScopedViolationRecorder recorder;
    PMDL source = IoAllocateMdl(buffer_, PAGE_SIZE, FALSE, FALSE, nullptr);
    PMDL small = IoAllocateMdl(buffer_, 16, FALSE, FALSE, nullptr);

    IoBuildPartialMdl(source, small, buffer_, 16);  // source neither locked nor non-paged
    EXPECT_TRUE(recorder.contains("describes no locked or non-paged pages"));

    MmBuildMdlForNonPagedPool(source);
    IoBuildPartialMdl(source, small, buffer_ + PAGE_SIZE - 8, 16);  // past the source's end
    EXPECT_TRUE(recorder.contains("outside the source MDL's buffer"));

    IoBuildPartialMdl(source, small, buffer_ + PAGE_SIZE - 0x200, 0x200);  // spans 2 pages
    EXPECT_TRUE(recorder.contains("target MDL is too small"));
    EXPECT_EQ(recorder.count(), 3U);
    EXPECT_EQ(small->MdlFlags & MDL_PARTIAL, 0);  // left untouched

    MDL onStack;
    IoFreeMdl(&onStack);
    EXPECT_TRUE(recorder.contains("not allocated by IoAllocateMdl"));
    IoFreeMdl(small);
    IoFreeMdl(source);
}

}  // namespace
