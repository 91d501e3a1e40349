#pragma once
// CTM_eventLister: prints the events of one event log, one line per event, with
// the chosen columns, from the chosen start, through the filters, and, when
// asked, keeps following the log as a TM writes to it. Texts of event ids and
// categories come from the message catalogue; insertion strings and source names
// are printed escaped, so that nothing read from the log reaches the terminal as
// a control sequence. One lister belongs to one thread.

#include <cstdio>
#include <string>

#include "platform/c_eventlogreader.h"
#include "platform/c_eventrecord.h"
#include "platform/c_messagecatalogue.h"
#include "tools/ostrel/ctm_listeroptions.h"

class CTM_eventLister {
 public:
  CTM_eventLister(const CTM_listerOptions& options, const c_messageCatalogue& catalogue, std::FILE* out);

  // Places the reader so that the next record read is the first one to consider:
  // the newest -start records, or the start-th from the oldest (the newest when
  // the log holds fewer). False when the log cannot be read.
  bool m_position(c_eventLogReader& reader) const;
  // Prints what passes the filters until the end of the log, the line limit or
  // the end time; with follow on, an end of the log is waited out instead. False
  // when the output could not be written or the log could no longer be read.
  bool m_list(c_eventLogReader& reader);

  // The printed line of a record, with its line feed.
  std::string m_line(const c_eventRecord& record) const;
  // Whether the record passes the filters; `stop` is set when it lies after the end time.
  bool m_passes(const c_eventRecord& record, bool& stop) const;

 private:
  void m_appendColumn(std::string& line, char column, const c_eventRecord& record) const;
  std::string m_messageText(const c_eventRecord& record) const;
  std::string m_categoryText(int category) const;
  // Whether everything printed so far has reached the output.
  bool m_flushed();

  const CTM_listerOptions& options_;
  const c_messageCatalogue& catalogue_;
  std::FILE* out_;
  std::string columns_;
  int printed_ = 0;
};
