// The memory allocator's pool and its samples.

#include <gtest/gtest.h>

#include <thread>

#include "TestFilters.h"
#include "dshow/base/MemAllocator.h"

namespace dshow_test {
namespace {

ComPtr<CMemAllocator> Committed(LONG buffers, LONG size) {
  auto allocator = MakeComObject<CMemAllocator>();
  ALLOCATOR_PROPERTIES request{buffers, size, 16, 0};
  ALLOCATOR_PROPERTIES actual;
  EXPECT_EQ(allocator->SetProperties(&request, &actual), S_OK);
  EXPECT_EQ(allocator->Commit(), S_OK);
  return allocator;
}

TEST(MemAllocator, GetBufferWaitsForAReturnedSampleAndDecommitWakesWaiters) {
  auto allocator = Committed(1, 64);
  ComPtr<IMediaSample> first;
  ASSERT_EQ(allocator->GetBuffer(first.ReleaseAndGetAddressOf(), nullptr, nullptr, 0), S_OK);
  BYTE* data = nullptr;
  first->GetPointer(&data);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(data) % 16, 0u);
  ComPtr<IMediaSample> none;
  EXPECT_EQ(allocator->GetBuffer(none.ReleaseAndGetAddressOf(), nullptr, nullptr, AM_GBF_NOWAIT),
            VFW_E_TIMEOUT);

  std::atomic<HRESULT> waited{E_FAIL};
  std::thread waiter([&] {
    ComPtr<IMediaSample> second;
    waited = allocator->GetBuffer(second.ReleaseAndGetAddressOf(), nullptr, nullptr, 0);
  });
  first.Reset();  // the waiter gets it
  waiter.join();
  EXPECT_EQ(waited, S_OK);

  ComPtr<IMediaSample> held;
  ASSERT_EQ(allocator->GetBuffer(held.ReleaseAndGetAddressOf(), nullptr, nullptr, 0), S_OK);
  std::thread blocked([&] {
    ComPtr<IMediaSample> never;
    waited = allocator->GetBuffer(never.ReleaseAndGetAddressOf(), nullptr, nullptr, 0);
  });
  EXPECT_EQ(allocator->Decommit(), S_OK);
  blocked.join();
  EXPECT_EQ(waited, VFW_E_NOT_COMMITTED);
  EXPECT_EQ(allocator->OutstandingSamples(), 1);
  held.Reset();
  EXPECT_EQ(allocator->OutstandingSamples(), 0);
}

TEST(MemAllocator, PropertiesAreFixedWhileCommittedOrWhileSamplesAreOut) {
  auto allocator = Committed(2, 64);
  ALLOCATOR_PROPERTIES request{2, 128, 1, 0};
  ALLOCATOR_PROPERTIES actual;
  EXPECT_EQ(allocator->SetProperties(&request, &actual), VFW_E_ALREADY_COMMITTED);
  ComPtr<IMediaSample> out;
  allocator->GetBuffer(out.ReleaseAndGetAddressOf(), nullptr, nullptr, 0);
  allocator->Decommit();
  EXPECT_EQ(allocator->SetProperties(&request, &actual), VFW_E_BUFFERS_OUTSTANDING);
  out.Reset();
  EXPECT_EQ(allocator->SetProperties(&request, &actual), S_OK);
  request.cbAlign = 3;
  EXPECT_EQ(allocator->SetProperties(&request, &actual), VFW_E_BADALIGN);
  auto unsized = MakeComObject<CMemAllocator>();
  EXPECT_EQ(unsized->Commit(), VFW_E_SIZENOTSET);
}

TEST(MediaSample, TimesFlagsAndLengthAreClearedWhenTheSampleIsReused) {
  auto allocator = Committed(1, 64);
  ComPtr<IMediaSample> sample;
  allocator->GetBuffer(sample.ReleaseAndGetAddressOf(), nullptr, nullptr, 0);
  REFERENCE_TIME start = 100;
  REFERENCE_TIME stop = 0;
  EXPECT_EQ(sample->GetTime(&start, &stop), VFW_E_SAMPLE_TIME_NOT_SET);
  sample->SetTime(&start, nullptr);
  REFERENCE_TIME gotStart = 0;
  REFERENCE_TIME gotStop = 0;
  EXPECT_EQ(sample->GetTime(&gotStart, &gotStop), VFW_S_NO_STOP_TIME);
  EXPECT_EQ(gotStop, 101);
  EXPECT_EQ(sample->SetActualDataLength(65), VFW_E_BUFFER_OVERFLOW);
  EXPECT_EQ(sample->SetActualDataLength(10), S_OK);
  AM_MEDIA_TYPE* type = nullptr;
  EXPECT_EQ(sample->GetMediaType(&type), S_FALSE);
  MediaType rgb = VideoType();
  sample->SetMediaType(&rgb.Get());
  ASSERT_EQ(sample->GetMediaType(&type), S_OK);
  EXPECT_TRUE(MediaType::Adopt(type) == rgb);
  sample->SetDiscontinuity(TRUE);
  sample->SetPreroll(TRUE);

  sample.Reset();
  allocator->GetBuffer(sample.ReleaseAndGetAddressOf(), nullptr, nullptr, 0);
  EXPECT_EQ(sample->GetTime(&gotStart, &gotStop), VFW_E_SAMPLE_TIME_NOT_SET);
  EXPECT_EQ(sample->GetActualDataLength(), 64);
  EXPECT_EQ(sample->GetMediaType(&type), S_FALSE);
  EXPECT_EQ(sample->IsDiscontinuity(), S_FALSE);
  EXPECT_EQ(sample->IsPreroll(), S_FALSE);
}

}  // namespace
}  // namespace dshow_test
