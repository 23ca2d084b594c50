// tk_converter: the toolkit's generic converter.
//
// It names what is converted (`src`) and where to (`dest`), carries the flag
// that says a run has ended, and defines the run protocol: `operator()` asks
// `is_finished()` and takes an `idle()` step until the answer is yes, then
// calls `finish()`.  A concrete converter replaces `operator()` with its own
// run and keeps the other defaults.
//
// Thread-safety: `src` and `dest` belong to the thread that configures and
// runs the converter.  The finished flag is atomic: the thread that runs the
// conversion sets it and any other thread may read it while the run goes on.
#pragma once

#include <atomic>
#include <string>

class tk_converter {
 public:
  tk_converter() = default;
  virtual ~tk_converter() = default;

  tk_converter(const tk_converter&) = delete;
  tk_converter& operator=(const tk_converter&) = delete;

  // Runs the conversion.  Default: polls is_finished(), calling idle()
  // between polls, then calls finish().  With the default is_finished(),
  // which never answers true, this does not return: a concrete converter
  // replaces it.
  virtual void operator()();

  // Whether the work that operator() waits for is done.  Default: false.
  virtual bool is_finished();

  // One step of waiting.  Default: sleeps 100 ms.
  virtual void idle();

  // Called once the work is done.  Default: does nothing.
  virtual void finish();

  // The source database name.
  const std::string& src() const { return src_; }
  void set_src(std::string src) { src_ = std::move(src); }

  // The full path of the destination file.
  const std::string& dest() const { return dest_; }
  void set_dest(std::string dest) { dest_ = std::move(dest); }

  // False at construction; true once a run has ended, however it ended.
  bool finished() const { return finished_.load(); }
  void set_finished(bool finished) { finished_.store(finished); }

  // The flag itself, for the guard that marks the end of a run.  The
  // reference lives as long as this converter.
  std::atomic<bool>& finished_flag() { return finished_; }

 private:
  std::string src_;
  std::string dest_;
  std::atomic<bool> finished_{false};
};
