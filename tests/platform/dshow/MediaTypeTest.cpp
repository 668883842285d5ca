#include "dshow/MediaType.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "com/Com.h"
#include "dshow/AudioMediaType.h"
#include "dshow/Uuids.h"
#include "dshow/Variant.h"

namespace {

// Counts the references a media type holds on its pUnk.
class Tracked final : public ComObject<Tracked, IUnknown> {
 public:
  ULONG Count() {
    AddRef();
    return Release();
  }
};

MediaType TypeWithFormat(const char* bytes) {
  MediaType type(MEDIATYPE_Video, MEDIASUBTYPE_YUY2, FORMAT_VideoInfo);
  EXPECT_TRUE(type.SetFormat(bytes, static_cast<ULONG>(std::strlen(bytes) + 1)));
  return type;
}

}  // namespace

TEST(MediaTypeHelpers, CopyIsDeepAndFreeReleasesEverything) {
  auto tracked = MakeComObject<Tracked>();
  MediaType source = TypeWithFormat("format block");
  source->pUnk = tracked.Get();
  tracked->AddRef();  // the reference the type owns

  AM_MEDIA_TYPE copy{};
  ASSERT_EQ(CopyMediaType(&copy, source.Ptr()), S_OK);
  EXPECT_NE(copy.pbFormat, source->pbFormat);
  EXPECT_TRUE(IsEqualMediaType(copy, source.Get()));
  EXPECT_EQ(tracked->Count(), 3u);

  FreeMediaType(copy);
  EXPECT_EQ(copy.pbFormat, nullptr);
  EXPECT_EQ(copy.cbFormat, 0u);
  EXPECT_EQ(copy.pUnk, nullptr);
  EXPECT_EQ(copy.subtype, MEDIASUBTYPE_YUY2);  // the GUIDs stay
  EXPECT_EQ(tracked->Count(), 2u);

  AM_MEDIA_TYPE* handedOut = CreateMediaType(source.Ptr());
  ASSERT_NE(handedOut, nullptr);
  EXPECT_TRUE(IsEqualMediaType(*handedOut, source.Get()));
  DeleteMediaType(handedOut);
  DeleteMediaType(nullptr);
  EXPECT_EQ(tracked->Count(), 2u);

  EXPECT_EQ(CopyMediaType(nullptr, source.Ptr()), E_POINTER);
  EXPECT_EQ(CreateMediaType(nullptr), nullptr);
}

TEST(MediaTypeHelpers, EqualityAndPartialMatching) {
  const MediaType a = TypeWithFormat("abc");
  MediaType b = TypeWithFormat("abc");
  EXPECT_TRUE(a == b);
  b = TypeWithFormat("abd");
  EXPECT_FALSE(a == b);
  b = TypeWithFormat("abc");
  b->subtype = MEDIASUBTYPE_UYVY;
  EXPECT_FALSE(a == b);

  // GUID_NULL in the pattern matches anything; a pattern without a block accepts any block.
  EXPECT_TRUE(MediaTypeMatchesPartial(a.Get(), MediaType().Get()));
  EXPECT_TRUE(MediaTypeMatchesPartial(a.Get(), MediaType(MEDIATYPE_Video, GUID_NULL).Get()));
  EXPECT_FALSE(MediaTypeMatchesPartial(a.Get(), MediaType(MEDIATYPE_Audio, GUID_NULL).Get()));
  EXPECT_TRUE(MediaTypeMatchesPartial(
      a.Get(), MediaType(MEDIATYPE_Video, MEDIASUBTYPE_YUY2, FORMAT_VideoInfo).Get()));
  EXPECT_FALSE(MediaTypeMatchesPartial(a.Get(), TypeWithFormat("xyz").Get()));
  EXPECT_FALSE(MediaTypeMatchesPartial(
      a.Get(), MediaType(MEDIATYPE_Video, MEDIASUBTYPE_YUY2, FORMAT_VideoInfo2).Get()));

  EXPECT_TRUE(IsPartiallySpecified(MediaType(MEDIATYPE_Video, MEDIASUBTYPE_YUY2).Get()));
  EXPECT_FALSE(IsPartiallySpecified(a.Get()));
}

TEST(MediaTypeWrapper, CopiesMovesAndAssignsOwnTheirBlocks) {
  auto tracked = MakeComObject<Tracked>();
  MediaType original = TypeWithFormat("block");
  original->pUnk = tracked.Get();
  tracked->AddRef();

  MediaType copy = original;
  EXPECT_NE(copy->pbFormat, original->pbFormat);
  EXPECT_TRUE(copy == original);
  EXPECT_EQ(tracked->Count(), 3u);

  MediaType moved = std::move(copy);
  EXPECT_TRUE(copy.IsEmpty());  // NOLINT(bugprone-use-after-move): moved-from is empty
  EXPECT_TRUE(moved == original);
  EXPECT_EQ(tracked->Count(), 3u);

  moved = original;  // the old contents are freed
  EXPECT_EQ(tracked->Count(), 3u);
  const MediaType& alias = moved;
  moved = alias;  // self-assignment keeps the contents
  EXPECT_TRUE(moved == original);
  moved = TypeWithFormat("other");
  EXPECT_EQ(tracked->Count(), 2u);

  original.Reset();
  EXPECT_TRUE(original.IsEmpty());
  EXPECT_EQ(tracked->Count(), 1u);
}

TEST(MediaTypeWrapper, AdoptTakesOverHandedOutTypes) {
  const MediaType source = TypeWithFormat("handed out");
  MediaType adopted = MediaType::Adopt(source.CreateCopy());
  EXPECT_TRUE(adopted == source);
  EXPECT_TRUE(MediaType::Adopt(nullptr).IsEmpty());

  // An out-parameter filled in place, then freed by the wrapper.
  AM_MEDIA_TYPE* slot = adopted.ResetAndGet();
  EXPECT_TRUE(adopted.IsEmpty());
  ASSERT_EQ(source.CopyTo(slot), S_OK);
  EXPECT_TRUE(adopted == source);
}

TEST(MediaTypeWrapper, FormatBlockReplacement) {
  MediaType type = TypeWithFormat("0123456789");
  // Copying from the block being replaced must read it before it is freed.
  ASSERT_TRUE(type.SetFormat(type->pbFormat + 5, 6));
  EXPECT_STREQ(reinterpret_cast<const char*>(type->pbFormat), "56789");

  BYTE* block = type.AllocFormat(16);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(type->cbFormat, 16u);
  EXPECT_EQ(block[15], 0);
  EXPECT_NE(type.FormatAs<ULONGLONG>(), nullptr);
  EXPECT_EQ(type.FormatAs<BYTE[17]>(), nullptr);

  EXPECT_EQ(type.AllocFormat(0), nullptr);
  EXPECT_EQ(type->pbFormat, nullptr);
  EXPECT_EQ(type->cbFormat, 0u);
  EXPECT_FALSE(type.SetFormat(nullptr, 4));
}

TEST(PcmMediaType, DerivesBlockAlignAndByteRate) {
  const MediaType type = MakePcmMediaType(11025, 8, 2);
  const WAVEFORMATEX* format = WaveFormatOf(type.Get());
  ASSERT_NE(format, nullptr);
  EXPECT_EQ(format->wFormatTag, WAVE_FORMAT_PCM);
  EXPECT_EQ(format->nBlockAlign, 2);
  EXPECT_EQ(format->nAvgBytesPerSec, 22050u);
  EXPECT_EQ(type.Text(), "Audio PCM 11025Hz 8bit 2ch WaveFormatEx");

  MediaType truncated = type;
  truncated->cbFormat = sizeof(WAVEFORMATEX) - 1;
  EXPECT_EQ(WaveFormatOf(truncated.Get()), nullptr);
}

TEST(Variant, HoldsOneKindAtATime) {
  VARIANT value("USB Camera");
  EXPECT_EQ(value.vt(), VT_BSTR);
  ASSERT_NE(value.String(), nullptr);
  EXPECT_EQ(*value.String(), "USB Camera");
  EXPECT_FALSE(value.Int());

  value = VARIANT(LONG{42});
  EXPECT_EQ(value.vt(), VT_I4);
  EXPECT_EQ(value.Int(), 42);
  EXPECT_EQ(value.String(), nullptr);

  value.Clear();
  EXPECT_TRUE(value.IsEmpty());
  EXPECT_EQ(VARIANT(static_cast<const char*>(nullptr)), VARIANT(""));
}
