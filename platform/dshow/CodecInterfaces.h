#pragma once
// Interfaces of system filters that process streams: the Sample Grabber, the DV splitter and
// decoder, and the settings of video compressors.

#include "com/ComPtr.h"
#include "dshow/DShowTypes.h"
#include "dshow/MediaType.h"
#include "dshow/SampleInterfaces.h"

// Called by the Sample Grabber on its streaming thread for every sample that passes.
struct ISampleGrabberCB : IUnknown {
  static constexpr IID iid = MakeGuid("0579154A-2B53-4994-B0D0-E773148EFF85");
  // sampleTime in seconds. The sample is valid only during the call.
  virtual HRESULT SampleCB(double sampleTime, IMediaSample* sample) = 0;
  // A copy of the sample's bytes, valid only during the call.
  virtual HRESULT BufferCB(double sampleTime, BYTE* buffer, LONG length) = 0;
};

// The Sample Grabber passes samples through unchanged and lets the application look at them.
struct ISampleGrabber : IUnknown {
  static constexpr IID iid = MakeGuid("6B652FFF-11FE-4FCE-92AD-0266B5D7C78F");
  // After one sample the grabber ends the stream (the graph then reports EC_COMPLETE).
  virtual HRESULT SetOneShot(BOOL oneShot) = 0;
  // The (possibly partial) type the input accepts; set before connecting.
  virtual HRESULT SetMediaType(const AM_MEDIA_TYPE* mediaType) = 0;
  // Fills an empty structure (FreeMediaType); VFW_E_NOT_CONNECTED while unconnected.
  virtual HRESULT GetConnectedMediaType(AM_MEDIA_TYPE* mediaType) = 0;
  // Keep a copy of the last sample for GetCurrentBuffer.
  virtual HRESULT SetBufferSamples(BOOL bufferThem) = 0;
  // With a null buffer *size receives the size needed; E_OUTOFMEMORY when *size is too small;
  // VFW_E_WRONG_STATE when buffering is off or no sample arrived yet.
  virtual HRESULT GetCurrentBuffer(LONG* size, LONG* buffer) = 0;
  virtual HRESULT GetCurrentSample(IMediaSample** sample) = 0;
  // which: 0 calls SampleCB, 1 BufferCB. A null callback stops the calls.
  virtual HRESULT SetCallback(ISampleGrabberCB* callback, LONG which) = 0;
};

// Display resolutions of the DV video decoder.
inline constexpr int DVRESOLUTION_FULL = 1000;
inline constexpr int DVRESOLUTION_HALF = 1001;
inline constexpr int DVRESOLUTION_QUARTER = 1002;
inline constexpr int DVRESOLUTION_DC = 1003;

// The DV video decoder's output size.
struct IIPDVDec : IUnknown {
  static constexpr IID iid = MakeGuid("B8E8BD60-0BFE-11D0-AF91-00AA00B67A42");
  virtual HRESULT get_IPDisplay(int* displayPix) = 0;
  virtual HRESULT put_IPDisplay(int displayPix) = 0;
};

// The DV video decoder's RGB range: studio (16-235) instead of full range.
struct IDVRGB219 : IUnknown {
  static constexpr IID iid = MakeGuid("58473A19-2BC8-4663-8012-25F81BABDDD1");
  virtual HRESULT SetRGB219(BOOL state) = 0;
};

struct IDVSplitter : IUnknown {
  static constexpr IID iid = MakeGuid("92A3A302-DA7C-4A1F-BA7E-1802BB5D2D02");
  // Non-zero: pass on every other video frame only (half the frame rate).
  virtual HRESULT DiscardAlternateVideoFrames(int discard) = 0;
};

// What a video compressor can be asked to do (IAMVideoCompression::GetInfo's capabilities).
inline constexpr LONG CompressionCaps_CanQuality = 0x01;
inline constexpr LONG CompressionCaps_CanCrunch = 0x02;
inline constexpr LONG CompressionCaps_CanKeyFrame = 0x04;
inline constexpr LONG CompressionCaps_CanBFrame = 0x08;
inline constexpr LONG CompressionCaps_CanWindow = 0x10;

// The settings of a video compressor. A negative value sets or reports the compressor's default.
// Setters answer E_NOTIMPL for what the compressor cannot do, VFW_E_NOT_STOPPED while it streams.
struct IAMVideoCompression : IUnknown {
  static constexpr IID iid = MakeGuid("C6E13343-30AC-11D0-A18C-00A0C9118956");
  // Frames from one key frame to the next; 0: only the first frame is a key frame.
  virtual HRESULT put_KeyFrameRate(LONG keyFrameRate) = 0;
  virtual HRESULT get_KeyFrameRate(LONG* keyFrameRate) = 0;
  virtual HRESULT put_PFramesPerKeyFrame(LONG pFramesPerKeyFrame) = 0;
  virtual HRESULT get_PFramesPerKeyFrame(LONG* pFramesPerKeyFrame) = 0;
  // 0.0 (smallest) to 1.0 (best).
  virtual HRESULT put_Quality(double quality) = 0;
  virtual HRESULT get_Quality(double* quality) = 0;
  // Frames over which the data rate is averaged.
  virtual HRESULT put_WindowSize(DWORDLONG windowSize) = 0;
  virtual HRESULT get_WindowSize(DWORDLONG* windowSize) = 0;
  // Texts (UTF-8, with their terminating zero) go into buffers of *versionSize and
  // *descriptionSize bytes when not null; the sizes needed are written back. Any pointer may be
  // null.
  virtual HRESULT GetInfo(LPOLESTR version, int* versionSize, LPOLESTR description,
                          int* descriptionSize, LONG* defaultKeyFrameRate,
                          LONG* defaultPFramesPerKey, double* defaultQuality,
                          LONG* capabilities) = 0;
  virtual HRESULT OverrideKeyFrame(LONG frameNumber) = 0;
  virtual HRESULT OverrideFrameSize(LONG frameNumber, LONG size) = 0;
};

inline constexpr IID IID_ISampleGrabberCB = ISampleGrabberCB::iid;
inline constexpr IID IID_ISampleGrabber = ISampleGrabber::iid;
inline constexpr IID IID_IIPDVDec = IIPDVDec::iid;
inline constexpr IID IID_IDVRGB219 = IDVRGB219::iid;
inline constexpr IID IID_IDVSplitter = IDVSplitter::iid;
inline constexpr IID IID_IAMVideoCompression = IAMVideoCompression::iid;
