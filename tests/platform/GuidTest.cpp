#include <gtest/gtest.h>

#include "com/Guid.h"

TEST(Guid, RegistryTextRoundTrips) {
  const std::string text = "{C1F400A0-3F08-11D3-9F0B-006008039E37}";
  CLSID clsid;
  ASSERT_EQ(CLSIDFromString(text, &clsid), S_OK);
  EXPECT_EQ(clsid.Data1, 0xC1F400A0u);
  EXPECT_EQ(clsid.Data2, 0x3F08);
  EXPECT_EQ(clsid.Data3, 0x11D3);
  EXPECT_EQ(clsid.Data4[0], 0x9F);
  EXPECT_EQ(clsid.Data4[7], 0x37);
  EXPECT_EQ(StringFromCLSID(clsid), text);
  EXPECT_EQ(clsid, MakeGuid("C1F400A0-3F08-11D3-9F0B-006008039E37"));
}

TEST(Guid, LowerCaseInputFormatsUpperCase) {
  CLSID clsid;
  ASSERT_EQ(CLSIDFromString("{17cca71b-ecd7-11d0-b908-00a0c9223196}", &clsid), S_OK);
  EXPECT_EQ(StringFromCLSID(clsid), "{17CCA71B-ECD7-11D0-B908-00A0C9223196}");
}

TEST(Guid, MalformedTextsAreRefusedAndLeaveTheTargetUnchanged) {
  const CLSID before = MakeGuid("860BB310-5D01-11D0-BD3B-00A0C911CE86");
  for (const char* bad : {"", "{}", "C1F400A0-3F08-11D3-9F0B-006008039E37",
                          "{C1F400A0-3F08-11D3-9F0B-006008039E3}",
                          "{C1F400A0-3F08-11D3-9F0B-006008039E377}",
                          "{C1F400A0+3F08-11D3-9F0B-006008039E37}",
                          "{C1F400A0-3F08-11D3-9F0B-00600803XE37}",
                          "(C1F400A0-3F08-11D3-9F0B-006008039E37)",
                          "{C1F400A0-3F0811D3--9F0B-006008039E37}"}) {
    CLSID clsid = before;
    EXPECT_EQ(CLSIDFromString(bad, &clsid), E_INVALIDARG) << bad;
    EXPECT_EQ(clsid, before) << bad;
  }
  EXPECT_EQ(CLSIDFromString("{C1F400A0-3F08-11D3-9F0B-006008039E37}", nullptr), E_POINTER);
}

TEST(Guid, FourCCSubtypesUseTheMediaSubtypeBase) {
  const GUID yuy2 = FourCCGuid(MakeFourCC('Y', 'U', 'Y', '2'));
  EXPECT_EQ(StringFromGUID(yuy2), "{32595559-0000-0010-8000-00AA00389B71}");
}

TEST(Guid, OrderingAndHashingDistinguishEveryField) {
  GUID a = MakeGuid("00000000-0000-0000-0000-000000000001");
  GUID b = MakeGuid("00000000-0000-0000-0000-000000000002");
  EXPECT_LT(a, b);
  EXPECT_NE(std::hash<GUID>{}(a), std::hash<GUID>{}(b));
  EXPECT_EQ(GUID_NULL, GUID{});
}
