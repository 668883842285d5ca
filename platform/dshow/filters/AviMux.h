#pragma once
// The AVI multiplexer (CLSID_AviDest), which writes the file itself (IFileSinkFilter): any number
// of inputs, a free one appearing whenever the last one connects; each connected input is one
// stream of the file, in pin order. The file is opened when the filter leaves Stopped and
// finished (index and header) when it stops, when every input has ended (EC_COMPLETE follows),
// or at once when a write fails: then EC_ERRORABORT with the failure (STG_E_MEDIUMFULL for a full
// disk) goes to the graph, later samples are refused and the file written so far stays playable
// (see AviFileWriter.h).
//
// IConfigAviMux: the master stream is the stream the video streams are filled up to when the
// file is finished, so that the picture lasts as long as the sound. The AVI 1.0 compatibility
// index is kept and reported only: libavformat always writes the AVI 1.0 index (idx1) for the
// first RIFF chunk as well as the OpenDML indexes, which files over 1 GB need, so every file is
// readable by both kinds of reader whatever the setting.
// IConfigInterleaving: INTERLEAVE_CAPTURE and INTERLEAVE_FULL interleave by time (packets held
// back at most the interleaving time); INTERLEAVE_NONE and INTERLEAVE_NONE_BUFFERED write each
// sample as it arrives. The preroll is kept and reported only. Settings apply when the file opens.
//
// Threads: settings, file name, connections and states on the application's thread (under the
// filter lock); samples and end of stream on the inputs' streaming threads, which the writer
// lock serialises with each other and with opening and finishing the file.

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "av/FileOutput.h"
#include "dshow/FilterInterfaces.h"
#include "dshow/MuxInterfaces.h"
#include "dshow/base/BaseFilter.h"
#include "dshow/filters/AviFileWriter.h"
#include "dshow/filters/AviMuxInputPin.h"

class AviMux final : public CBaseFilter,
                     public IConfigAviMux,
                     public IConfigInterleaving,
                     public IFileSinkFilter,
                     public IAMFilterMiscFlags {
 public:
  // Opens the file to write; the seam through which tests inject faults.
  using OutputOpener =
      std::function<std::unique_ptr<av::FileOutput>(const std::string& path, int* error)>;

  AviMux();

  HRESULT QueryInterface(REFIID riid, void** object) override {
    return CBaseFilter::QueryInterface(riid, object);
  }
  ULONG AddRef() override { return CBaseFilter::AddRef(); }
  ULONG Release() override { return CBaseFilter::Release(); }

  // CBaseFilter
  int GetPinCount() override;
  CBasePin* GetPin(int index) override;
  HRESULT Pause() override;
  HRESULT Stop() override;

  // IConfigAviMux
  HRESULT SetMasterStream(LONG stream) override;
  HRESULT GetMasterStream(LONG* stream) override;
  HRESULT SetOutputCompatibilityIndex(BOOL oldIndex) override;
  HRESULT GetOutputCompatibilityIndex(BOOL* oldIndex) override;

  // IConfigInterleaving
  HRESULT put_Mode(InterleavingMode mode) override;
  HRESULT get_Mode(InterleavingMode* mode) override;
  HRESULT put_Interleaving(const REFERENCE_TIME* leave, const REFERENCE_TIME* preroll) override;
  HRESULT get_Interleaving(REFERENCE_TIME* leave, REFERENCE_TIME* preroll) override;

  // IFileSinkFilter
  HRESULT SetFileName(LPCOLESTR file, const AM_MEDIA_TYPE* mediaType) override;
  HRESULT GetCurFile(LPOLESTR* file, AM_MEDIA_TYPE* mediaType) override;

  // IAMFilterMiscFlags: a renderer, whose end of stream completes the graph.
  ULONG GetMiscFlags() override { return AM_FILTER_MISC_FLAGS_IS_RENDERER; }

  void SetOutputOpener(OutputOpener opener);

  // From the inputs: connections (application thread, under the filter lock) ...
  void InputConnected();
  void InputDisconnected(AviMuxInputPin* pin);
  // ... and streaming (the input's streaming thread). S_FALSE once the file has ended.
  HRESULT WriteSample(int stream, IMediaSample* sample, const REFERENCE_TIME* start);
  void InputEnded(int stream);

 private:
  ~AviMux() override;
  HRESULT QueryFilterInterface(REFIID riid, void** object) override;
  void AddInput();
  HRESULT OpenFile();
  // Finishes the file; the writer lock is held.
  HRESULT FinishLocked();

  std::mutex pinsLock_;  // the list; the streaming threads never need it
  std::vector<std::unique_ptr<AviMuxInputPin>> inputs_;
  // Removed inputs stay alive with the filter: the application may still hold them.
  std::vector<std::unique_ptr<AviMuxInputPin>> removed_;
  int nextNumber_ = 1;

  // Under the filter lock.
  std::string file_;
  LONG masterStream_ = -1;
  BOOL compatibilityIndex_ = TRUE;
  InterleavingMode mode_ = INTERLEAVE_CAPTURE;
  REFERENCE_TIME leave_ = 10'000'000;
  REFERENCE_TIME preroll_ = 0;
  OutputOpener opener_;

  std::mutex writerLock_;
  std::unique_ptr<dshow::AviFileWriter> writer_;  // under writerLock_, as are the rest
  std::vector<bool> ended_;                       // per stream
  bool aborted_ = false;
};
