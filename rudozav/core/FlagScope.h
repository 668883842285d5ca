#pragma once
// Sets a flag for the life of a scope: marks work that runs further up the stack, so that a
// nested call (from a handler that lets the UI run) can tell. UI thread only.

class TFlagScope {
 public:
  explicit TFlagScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~TFlagScope() { flag_ = false; }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;

 private:
  bool& flag_;
};
