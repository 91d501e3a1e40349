#pragma once
// c_fileSink: the text of a file that is replaced whole, written as it is made. The
// blocks go to a temporary file beside it (its name + ".new"), which takes the
// file's place only when the text is complete: no reader sees a half-written file,
// and a text given up leaves an older file as it was. A link is followed, so that the
// file it names is replaced and the link stays; a device (or a link to one) cannot
// be replaced and is written in place.
//
// Every file operation goes through c_fileOps::m_current().

#include <string>

#include "topology/c_textsink.h"

class c_fileSink : public c_textSink {
 public:
  explicit c_fileSink(std::string fileName);
  // Gives up a text that was not committed.
  ~c_fileSink() override;

  // Hands on the rest of the text and puts the file in place; false when a step
  // failed (m_getError says why), and the file is then as it was.
  bool m_commit();
  // Gives the text up: the temporary file goes, the file stays as it was.
  void m_abandon();
  // The errno of the first failure; 0 while there was none.
  int m_getError() const { return error_; }

 protected:
  void m_take(std::string_view block) override;

 private:
  bool m_open();
  // Puts the complete temporary file in the file's place.
  void m_replace();
  // Keeps errno (or EIO when a failure left none) as the first failure.
  void m_fail();
  void m_close();

  const std::string fileName_;
  std::string temporary_;  // empty while there is none (or the file is written in place)
  std::string target_;     // the file that the temporary one replaces
  int fd_ = -1;
  int error_ = 0;
  bool finished_ = false;  // committed or given up
};
