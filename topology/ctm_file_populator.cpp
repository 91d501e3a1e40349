// The topology file reader: a SAX handler that builds one node per node element,
// nests them as the elements nest, and links them along the file's edges and, after
// the last edge, between the differing ancestors of every edge's two ends.
#include "topology/ctm_file_populator.h"

#include <xercesc/framework/LocalFileInputSource.hpp>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/sax/Locator.hpp>
#include <xercesc/util/BinInputStream.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/sax2/Attributes.hpp>
#include <xercesc/sax2/DefaultHandler.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/SecurityManager.hpp>
#include <xercesc/util/XMLException.hpp>
#include <xercesc/util/XMLUni.hpp>

#include <algorithm>
#include <climits>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string_view>
#include <vector>

#include "core/ctm_logging.h"
#include "platform/c_regularfile.h"
#include "topology/ctm_ls.h"
#include "topology/ctm_nodefactory.h"
#include "topology/ctm_tc.h"
#include "topology/ctm_tm.h"
#include "topology/ctm_tp.h"
#include "topology/ctm_ts.h"
#include "topology/ctm_world.h"

namespace xml = XERCES_CPP_NAMESPACE;

namespace {

// A topology file needs no entity beyond a handful; a document that expands more is
// an attack on the reader ("billion laughs") and ends at once.
constexpr XMLSize_t entityExpansionLimit = 1000;
// No description, address or position comes near this; more is refused.
constexpr std::size_t textLimit = 64 * 1024;
// No attribute value comes near this either.
constexpr std::size_t attributeLimit = textLimit;
// Nor a tag of a few such attributes, a comment or a declaration this.
constexpr long markupLimit = 1 << 20;
// A plant nests a handful of levels; the parser's cost grows with the square of
// the depth, so a document nested deeper than this is refused at once.
constexpr int depthLimit = 64;
// An external entity is part of the topology, read whole into memory.
constexpr std::uint64_t entityFileLimit = 256u << 20;
// Edge weight when the file gives none or no number.
constexpr int defaultWeight = 1;
// How far ahead the edge targets are looked up in the index, so that each is in the
// cache by the time it is needed.
constexpr std::size_t findsAhead = 16;
// What a node takes of a topology file, about: its element with the id, a position
// and an edge or two. The model's lists are made that large before the file is
// read; a file of larger nodes just makes them larger as it is read.
constexpr std::uintmax_t bytesPerNode = 100;

// ---- text between the parser (UTF-16) and the model (UTF-8) ----

void appendUtf8(std::string& out, const XMLCh* text, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    // A topology file is ASCII nearly throughout: a run of it goes in at once.
    std::size_t run = i;
    while (run < length && text[run] < 0x80) ++run;
    if (run > i) {
      std::size_t at = out.size();
      out.resize(at + (run - i));
      for (char* to = out.data() + at; i < run; ++i) *to++ = static_cast<char>(text[i]);
      if (i == length) break;
    }
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;  // a lone surrogate
    }
    if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    }
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string toUtf8(const XMLCh* text) {
  std::string out;
  if (text) appendUtf8(out, text, std::char_traits<XMLCh>::length(text));
  return out;
}

// Bytes that are no UTF-8 (a file name may hold any) become U+FFFD.
std::u16string toUtf16(std::string_view text) {
  std::u16string out;
  for (std::size_t i = 0; i < text.size();) {
    auto byte = static_cast<unsigned char>(text[i]);
    int more = byte < 0x80 ? 0 : (byte >> 5) == 0x6 ? 1 : (byte >> 4) == 0xE ? 2 : (byte >> 3) == 0x1E ? 3 : -1;
    char32_t c = more == 0 ? byte : more == 1 ? byte & 0x1F : more == 2 ? byte & 0x0F : byte & 0x07;
    bool valid = more >= 0 && i + more < text.size();
    for (int k = 1; valid && k <= more; ++k) {
      auto next = static_cast<unsigned char>(text[i + k]);
      valid = (next & 0xC0) == 0x80;
      c = (c << 6) | (next & 0x3F);
    }
    if (valid && more > 0 && (c < (more == 1 ? 0x80u : more == 2 ? 0x800u : 0x10000u) || c > 0x10FFFF ||
                              (c >= 0xD800 && c <= 0xDFFF)))
      valid = false;
    if (!valid) {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    if (c >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
    i += more + 1;
  }
  return out;
}

[[noreturn]] void refuse(const std::string& message) { throw xml::SAXException(toUtf16(message).c_str()); }

// ---- numbers, read the way "%d" reads them ----

enum class c_scan { none, number, overflow };

// Blanks, an optional sign and digits from text[pos]; pos moves past what was read.
c_scan scanInt(std::string_view text, std::size_t& pos, int& value) {
  std::size_t at = pos;
  while (at < text.size() && (text[at] == ' ' || (text[at] >= '\t' && text[at] <= '\r'))) ++at;
  bool negative = at < text.size() && text[at] == '-';
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) ++at;
  if (at >= text.size() || text[at] < '0' || text[at] > '9') return c_scan::none;
  long long number = 0;
  bool overflow = false;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
    number = number * 10 + (text[at] - '0');
    if (number > static_cast<long long>(INT_MAX) + 1) {
      overflow = true;
      number = static_cast<long long>(INT_MAX) + 1;
    }
  }
  if (negative) number = -number;
  pos = at;
  if (overflow || number > INT_MAX || number < INT_MIN) return c_scan::overflow;
  value = static_cast<int>(number);
  return c_scan::number;
}

// Reads "<int>,<int>" from text[pos] as "%d,%d" would; false when either is missing or too big.
bool scanPair(std::string_view text, std::size_t& pos, int& first, int& second) {
  if (scanInt(text, pos, first) != c_scan::number) return false;
  if (pos >= text.size() || text[pos] != ',') return false;
  ++pos;
  return scanInt(text, pos, second) == c_scan::number;
}

// ---- the elements of a topology file ----

enum class c_element { tm, ls, tc, ts, tp, edge, desc, address, position, offset, color, other };

c_element elementOf(const XMLCh* name) {
  static constexpr std::pair<std::u16string_view, c_element> names[] = {
      {u"tp", c_element::tp},
      {u"edge", c_element::edge},
      {u"position", c_element::position},
      {u"ts", c_element::ts},
      {u"desc", c_element::desc},
      {u"transportController", c_element::tc},
      {u"logicalSegment", c_element::ls},
      {u"transportManager", c_element::tm},
      {u"address", c_element::address},
      {u"offset", c_element::offset},
      {u"color", c_element::color},
  };
  std::u16string_view view(name);
  for (const auto& [known, element] : names)
    if (view == known) return element;
  return c_element::other;
}

bool isNodeElement(c_element element) { return element <= c_element::tp; }

// The factory returns each kind as its own class, so the address, offset and colour
// elements may treat the open node as the class of its kind.
std::unique_ptr<CTM_node> makeNode(CTM_nodeFactory& factory, c_element element, std::string id) {
  switch (element) {
    case c_element::tm: return factory.m_makeTm(std::move(id));
    case c_element::ls: return factory.m_makeLs(std::move(id));
    case c_element::tc: return factory.m_makeTc(std::move(id));
    case c_element::ts: return factory.m_makeTs(std::move(id));
    default: return factory.m_makeTp(std::move(id));
  }
}

// Outside input fetches nothing from the network and reads nothing the plant's
// own folder does not hold: an external entity or DTD names a file in the folder of
// the topology file (or below it), relative to it or by an absolute or file: name,
// and only where it still lies there once "..", "." and links are resolved.
std::string localEntityPath(const std::string& systemId, const std::filesystem::path& folder) {
  std::string path = systemId;
  for (std::string_view scheme : {"file://localhost/", "file:///", "file:/"}) {
    if (path.starts_with(scheme)) {
      path = "/" + path.substr(scheme.size());
      break;
    }
  }
  std::size_t colon = path.find(':');
  if (colon != std::string::npos && path.find('/') > colon) return {};  // another scheme
  if (path.starts_with("//")) return {};
  std::filesystem::path named(path);
  if (named.is_relative()) named = folder / named;
  std::error_code error, folderError;
  const std::filesystem::path resolved = std::filesystem::canonical(named, error);
  const std::filesystem::path ownFolder = std::filesystem::canonical(folder, folderError);
  if (error || folderError) return {};
  const auto [folderEnd, unused] = std::mismatch(ownFolder.begin(), ownFolder.end(), resolved.begin(), resolved.end());
  if (folderEnd != ownFolder.end() || resolved == ownFolder) return {};
  return resolved.string();
}

// The first fault the input stream found, if any.
struct c_inputFault {
  bool found = false;
  std::string message;
  std::string entity;  // the external entity's file; empty for the topology file
  XMLFileLoc line = 0;
  XMLFileLoc column = 0;
};

// What the parser cannot be trusted with is stopped before it gets there: the
// stream ends just before it and notes what and where it was, and the populator
// refuses the file for it.
// - A NUL character: the parser takes it for the end of its input, so inside the
//   root element it would report a misleading fault and after it silently drop
//   the rest of the file.
// - Markup (from a '<' to the next '>') longer than any tag of a topology needs:
//   the parser holds a whole attribute value in memory before the handler sees
//   it, so its limit alone would come only after the memory was spent.
// The width of a character (1, 2 or 4 bytes) follows from the first bytes, as the
// parser's own detection of the encoding does.
class CTM_checkedStream : public xml::BinInputStream {
 public:
  CTM_checkedStream(xml::BinInputStream* inner, std::string entity, c_inputFault& fault)
      : inner_(inner), entity_(std::move(entity)), fault_(fault) {}

  XMLFilePos curPos() const override { return inner_->curPos(); }
  const XMLCh* getContentType() const override { return inner_->getContentType(); }
  const XMLCh* getEncoding() const override { return inner_->getEncoding(); }

  XMLSize_t readBytes(XMLByte* const toFill, const XMLSize_t maxToRead) override {
    if (stopped_) return 0;
    const XMLSize_t read = inner_->readBytes(toFill, maxToRead);
    if (width_ == 0 && read > 0) m_detectWidth(toFill, read);
    const XMLSize_t kept = width_ == 1 ? m_checkBytes(toFill, read) : m_checkUnits(toFill, read);
    if (kept < read) m_stop();
    return kept;
  }

 private:
  void m_detectWidth(const XMLByte* bytes, XMLSize_t size) {
    auto at = [&](XMLSize_t i) { return i < size ? bytes[i] : 0xFF; };
    const bool wide4 = (at(0) == 0 && at(1) == 0) || (at(2) == 0 && at(3) == 0 && at(1) != 0xFE);
    const bool wide2 = (at(0) == 0xFE && at(1) == 0xFF) || (at(0) == 0xFF && at(1) == 0xFE) ||
                       (at(0) == 0 && at(1) != 0) || (at(0) != 0 && at(1) == 0);
    width_ = wide4 ? 4 : wide2 ? 2 : 1;
    littleEndian_ = at(0) != 0 && !(at(0) == 0xFE && at(1) == 0xFF);
  }

  // The bytes before the first fault. The characters between the few that matter
  // (NUL, the ends of markup, line feeds) are counted a run at a time.
  XMLSize_t m_checkBytes(const XMLByte* bytes, XMLSize_t size) {
    XMLSize_t i = 0;
    while (i < size) {
      const XMLSize_t start = i;
      while (i < size && !isMarked(bytes[i])) ++i;
      const auto run = static_cast<long>(i - start);
      if (markupLength_ >= 0 && markupLength_ + run > markupLimit) {
        const long within = markupLimit - markupLength_;
        markupLength_ = markupLimit + 1;
        column_ += static_cast<XMLFileLoc>(within);
        m_fault("markup longer than " + std::to_string(markupLimit) + " characters");
        return start + static_cast<XMLSize_t>(within);
      }
      if (markupLength_ >= 0) markupLength_ += run;
      column_ += static_cast<XMLFileLoc>(run);
      if (i == size) break;
      if (!m_take(bytes[i])) return i;
      ++i;
    }
    return size;
  }

  static bool isMarked(XMLByte c) { return c == 0 || c == '<' || c == '>' || c == '\n'; }

  // The bytes before the first faulty character; its bytes read so far count in.
  XMLSize_t m_checkUnits(const XMLByte* bytes, XMLSize_t size) {
    for (XMLSize_t i = 0; i < size; ++i) {
      unit_[filled_++] = bytes[i];
      if (filled_ < width_) continue;
      filled_ = 0;
      // The character's lowest byte, and whether all the others are zero.
      const XMLByte* rest = littleEndian_ ? unit_ + 1 : unit_;
      const bool zeroRest = std::all_of(rest, rest + width_ - 1, [](XMLByte byte) { return byte == 0; });
      const XMLByte low = littleEndian_ ? unit_[0] : unit_[width_ - 1];
      // Any character beyond ASCII counts as a letter.
      if (!m_take(zeroRest ? low : 'x')) return i + 1 >= width_ ? i + 1 - width_ : 0;
    }
    return size;
  }

  // Takes one character; false, with the fault noted, when it is one.
  bool m_take(XMLByte c) {
    if (c == 0) return m_fault("invalid character 0x0");
    if (c == '<') {
      markupLength_ = 0;
    } else if (c == '>') {
      markupLength_ = -1;
    } else if (markupLength_ >= 0 && ++markupLength_ > markupLimit) {
      return m_fault("markup longer than " + std::to_string(markupLimit) + " characters");
    }
    if (c == '\n') {
      ++line_;
      column_ = 1;
    } else {
      ++column_;
    }
    return true;
  }

  bool m_fault(const std::string& message) {
    if (!fault_.found) fault_ = c_inputFault{true, message, entity_, line_, column_};
    return false;
  }

  void m_stop() { stopped_ = true; }

  std::unique_ptr<xml::BinInputStream> inner_;
  std::string entity_;
  c_inputFault& fault_;
  bool stopped_ = false;
  long markupLength_ = -1;  // characters since the last '<', -1 outside markup
  unsigned width_ = 0;  // bytes per character; 0 until the first bytes are read
  bool littleEndian_ = false;
  XMLByte unit_[4] = {};  // the bytes of the current character read so far
  unsigned filled_ = 0;
  XMLFileLoc line_ = 1;
  XMLFileLoc column_ = 1;
};

// A source of the parser whose stream is checked as above: the topology file
// itself, or the content of an external entity read beforehand.
class CTM_checkedSource : public xml::InputSource {
 public:
  static CTM_checkedSource* m_file(const std::string& fileName, c_inputFault& fault) {
    auto* source = new CTM_checkedSource(fault);
    source->inner_ = std::make_unique<xml::LocalFileInputSource>(toUtf16(fileName).c_str());
    source->setSystemId(source->inner_->getSystemId());
    return source;
  }
  static CTM_checkedSource* m_content(const std::string& path, std::string content, c_inputFault& fault) {
    auto* source = new CTM_checkedSource(fault);
    source->entity_ = path;
    source->content_ = std::move(content);
    source->inner_ = std::make_unique<xml::MemBufInputSource>(
        reinterpret_cast<const XMLByte*>(source->content_.data()), source->content_.size(), toUtf16(path).c_str());
    source->setSystemId(source->inner_->getSystemId());
    return source;
  }

  xml::BinInputStream* makeStream() const override {
    xml::BinInputStream* stream = inner_->makeStream();
    return stream ? new CTM_checkedStream(stream, entity_, fault_) : nullptr;
  }

 private:
  explicit CTM_checkedSource(c_inputFault& fault) : fault_(fault) {}

  c_inputFault& fault_;
  std::string entity_;
  std::string content_;  // outlives the source that reads it
  std::unique_ptr<xml::InputSource> inner_;
};

// Errors of every kind end the parse: the populator logs the first one and stops.
// The limits of a topology file hold for every handler.
class CTM_strictHandler : public xml::DefaultHandler {
 public:
  explicit CTM_strictHandler(std::filesystem::path folder) : folder_(std::move(folder)) {}

  void error(const xml::SAXParseException& exception) override { throw exception; }
  void fatalError(const xml::SAXParseException& exception) override { throw exception; }
  void setDocumentLocator(const xml::Locator* const locator) override { locator_ = locator; }

  xml::InputSource* resolveEntity(const XMLCh* const, const XMLCh* const systemId) override {
    std::string id = toUtf8(systemId);
    std::string path = localEntityPath(id, folder_);
    std::string content;
    if (path.empty() || !c_readRegularFile(path, entityFileLimit, content, false))
      refuse("External entity \"" + id + "\" is not a file in the folder of the topology file.");
    return CTM_checkedSource::m_content(path, std::move(content), fault_);
  }

  c_inputFault& m_inputFault() { return fault_; }

  void startElement(const XMLCh* const, const XMLCh* const localName, const XMLCh* const,
                    const xml::Attributes& attributes) override {
    m_enterElement(localName, attributes);
  }
  void endElement(const XMLCh* const, const XMLCh* const, const XMLCh* const) override { m_leaveElement(); }

 protected:
  void m_enterElement(const XMLCh* localName, const xml::Attributes& attributes) {
    if (++depth_ > depthLimit) {
      const std::u16string message = toUtf16("elements nested deeper than " + std::to_string(depthLimit) + " levels");
      if (locator_) throw xml::SAXParseException(message.c_str(), *locator_);
      throw xml::SAXParseException(message.c_str(), nullptr, nullptr, 0, 0);
    }
    for (XMLSize_t i = 0; i < attributes.getLength(); ++i)
      if (std::char_traits<XMLCh>::length(attributes.getValue(i)) > attributeLimit)
        refuse("Attribute '" + toUtf8(attributes.getLocalName(i)) + "' of element '" + toUtf8(localName) +
               "' is longer than " + std::to_string(attributeLimit) + " characters.");
  }
  void m_leaveElement() { --depth_; }

 private:
  std::filesystem::path folder_;
  c_inputFault fault_;
  const xml::Locator* locator_ = nullptr;
  int depth_ = 0;
};

// Builds the model as the elements arrive. Nodes enter the world at their end tag,
// with their children; the file's edges are kept until the end of the document,
// when every node is known.
class CTM_saxHandler : public CTM_strictHandler {
 public:
  CTM_saxHandler(CTM_world& world, CTM_nodeFactory& factory, std::filesystem::path folder, std::size_t expectedNodes)
      : CTM_strictHandler(std::move(folder)), world_(world), factory_(factory) {
    world_.m_reserveNodes(expectedNodes);
    successorLinks_.reserve(expectedNodes);
  }

  void startElement(const XMLCh* const, const XMLCh* const localName, const XMLCh* const,
                    const xml::Attributes& attributes) override {
    m_enterElement(localName, attributes);
    // Inside a text element all markup is part of the text.
    if (textDepth_ > 0) {
      ++textDepth_;
      return;
    }
    c_element element = elementOf(localName);
    if (element == c_element::other) return;
    CTM_node* top = openNodes_.empty() ? nullptr : openNodes_.back().node.get();
    if (isNodeElement(element)) {
      if (!top && element != c_element::tm) refuseMisplaced(localName);
      auto node = makeNode(factory_, element, m_requiredAttribute(attributes, localName, u"id"));
      if (!node) refuse("Node \"" + toUtf8(attributes.getValue(u"id")) + "\" could not be created.");
      world_.m_prefetchNode(node->m_getId());  // entered at its end tag
      node->m_setPositionX(-1);
      node->m_setPositionY(-1);
      openNodes_.push_back({std::move(node), closedNodes_.size()});
      return;
    }
    int kind = top ? top->m_getType() : -1;
    bool placed = (element == c_element::address && (kind == CTM_node::typeTm || kind == CTM_node::typeTc)) ||
                  ((element == c_element::offset || element == c_element::color) && kind == CTM_node::typeLs) ||
                  ((element == c_element::position || element == c_element::edge) && top) ||
                  element == c_element::desc;
    if (!placed) refuseMisplaced(localName);
    if (element == c_element::edge) {
      // Into the same buffer for every edge: a plant of a million edges reads them
      // without an allocation each.
      edgeTarget_.clear();
      const XMLCh* target = m_requiredValue(attributes, localName, u"target");
      appendUtf8(edgeTarget_, target, std::char_traits<XMLCh>::length(target));
      edgeWeight_ = readWeight(attributes.getValue(u"weight"));
      return;
    }
    text_.clear();
    textDepth_ = 1;
  }

  void characters(const XMLCh* const chars, const XMLSize_t length) override {
    if (textDepth_ == 0) return;
    if (text_.size() + length > textLimit) refuse("Text of an element is longer than " + std::to_string(textLimit) + " characters.");
    appendUtf8(text_, chars, length);
  }

  void endElement(const XMLCh* const, const XMLCh* const localName, const XMLCh* const) override {
    m_leaveElement();
    if (textDepth_ > 1) {
      --textDepth_;
      return;
    }
    textDepth_ = 0;
    c_element element = elementOf(localName);
    if (element == c_element::other) return;
    if (isNodeElement(element)) {
      c_openNode open = std::move(openNodes_.back());
      openNodes_.pop_back();
      CTM_node* closed = open.node.get();
      if (!world_.m_insertNode(std::move(open.node))) refuse("Error while inserting node.");
      // Its children are all known now: linked at once, into a list of their number.
      const auto children = closedNodes_.begin() + static_cast<std::ptrdiff_t>(open.firstChild);
      closed->m_reserveChildren(static_cast<std::size_t>(closedNodes_.end() - children));
      for (auto child = children; child != closedNodes_.end(); ++child) m_insertEdge(closed, *child, defaultWeight);
      closedNodes_.erase(children, closedNodes_.end());
      if (closed->m_getType() != CTM_node::typeTm) closedNodes_.push_back(closed);
      return;
    }
    CTM_node* top = openNodes_.empty() ? nullptr : openNodes_.back().node.get();
    switch (element) {
      case c_element::desc:
        if (top) top->m_setDescription(text_);
        break;
      case c_element::address:
        if (top->m_getType() == CTM_node::typeTm)
          static_cast<CTM_tm*>(top)->m_setAddress(text_);
        else
          static_cast<CTM_tc*>(top)->m_setAddress(text_);
        break;
      case c_element::position: m_setPosition(*top); break;
      case c_element::offset: {
        int x = 0, y = 0;
        std::size_t pos = 0;
        if (!scanPair(text_, pos, x, y) || text_.find_first_not_of(" \t\n\v\f\r", pos) != std::string::npos)
          refuse("Syntax error in offset specification.");
        static_cast<CTM_ls*>(top)->m_setOffset(x, y);
        break;
      }
      case c_element::color: static_cast<CTM_ls*>(top)->m_setColor(text_); break;
      case c_element::edge:
        successorLinks_.push_back({top, linkTargets_.size(), edgeTarget_.size(), edgeWeight_});
        linkTargets_ += edgeTarget_;
        break;
      default: break;
    }
  }

  void endDocument() override {
    std::vector<std::pair<CTM_node*, CTM_node*>> derived;
    auto targetOf = [this](const c_successorLink& link) {
      return std::string_view(linkTargets_.data() + link.targetOffset, link.targetLength);
    };
    for (std::size_t i = 0; i < successorLinks_.size(); ++i) {
      if (i + findsAhead < successorLinks_.size()) world_.m_prefetchNode(targetOf(successorLinks_[i + findsAhead]));
      const c_successorLink& link = successorLinks_[i];
      std::string_view targetId = targetOf(link);
      CTM_node* target = world_.m_findNode(targetId);
      if (!target)
        refuse("Target node \"" + std::string(targetId) + "\" of node \"" + link.source->m_getId() + "\" not found.");
      m_insertEdge(link.source, target, link.weight);
      m_deriveAncestorLinks(link.source, target, derived);
    }
    std::sort(derived.begin(), derived.end(), [](const auto& left, const auto& right) {
      int order = left.first->m_getId().compare(right.first->m_getId());
      return order != 0 ? order < 0 : left.second->m_getId() < right.second->m_getId();
    });
    derived.erase(std::unique(derived.begin(), derived.end()), derived.end());
    for (const auto& [from, to] : derived) m_insertEdge(from, to, defaultWeight);
    successorLinks_.clear();
    linkTargets_.clear();
  }

 private:
  // The target ids of all links live in one text, so that a plant of a million
  // edges does not cost a million small allocations.
  struct c_successorLink {
    CTM_node* source;
    std::size_t targetOffset;
    std::size_t targetLength;
    int weight;
  };

  [[noreturn]] static void refuseMisplaced(const XMLCh* name) { refuse("misplaced <" + toUtf8(name) + "> tag."); }

  static const XMLCh* m_requiredValue(const xml::Attributes& attributes, const XMLCh* element,
                                      const char16_t* name) {
    const XMLCh* value = attributes.getValue(name);
    if (!value)
      refuse("Element '" + toUtf8(element) + "' must have a '" + toUtf8(name) + "' attribute.");
    return value;
  }
  static std::string m_requiredAttribute(const xml::Attributes& attributes, const XMLCh* element,
                                         const char16_t* name) {
    return toUtf8(m_requiredValue(attributes, element, name));
  }

  // A transport time in seconds: the leading number of the text, 1 when there is
  // none. A negative time would make the cheapest route meaningless.
  static int readWeight(const XMLCh* value) {
    int weight = defaultWeight;
    std::size_t pos = 0;
    std::string text = toUtf8(value);
    c_scan scanned = scanInt(text, pos, weight);
    if (scanned == c_scan::none) return defaultWeight;
    if (scanned == c_scan::overflow || weight < 0) refuse("Syntax error in weight specification.");
    return weight;
  }

  // "x,y" or "x,y,z"; anything after the numbers is ignored.
  void m_setPosition(CTM_node& node) {
    int x = 0, y = 0, z = 0;
    std::size_t pos = 0;
    if (!scanPair(text_, pos, x, y)) refuse("Syntax error in position specification.");
    if (pos < text_.size() && text_[pos] == ',') {
      ++pos;
      if (scanInt(text_, pos, z) == c_scan::overflow) refuse("Syntax error in position specification.");
    }
    node.m_setPositionX(x);
    node.m_setPositionY(y);
    node.m_setPositionZ(z);
  }

  void m_insertEdge(CTM_node* from, CTM_node* to, int weight) {
    if (!world_.m_insertEdge(from, to, weight)) refuse("Error while inserting edge.");
  }

  // An edge between two parts of the plant also links their differing ancestors of
  // the same kind, up to the TM.
  static void m_deriveAncestorLinks(CTM_node* a, CTM_node* b, std::vector<std::pair<CTM_node*, CTM_node*>>& derived) {
    while (a->m_getType() != CTM_node::typeTm) {
      a = a->m_getParent();
      b = b->m_getParent();
      if (!a || !b || a->m_getType() != b->m_getType() || a == b) return;
      derived.emplace_back(a, b);
    }
  }

  CTM_world& world_;
  CTM_nodeFactory& factory_;
  std::string text_;
  int textDepth_ = 0;  // > 0 inside a text element, counting the elements open within it
  std::string edgeTarget_;
  int edgeWeight_ = defaultWeight;
  // A node being read, and where its children start among the closed nodes.
  struct c_openNode {
    std::unique_ptr<CTM_node> node;
    std::size_t firstChild;
  };
  std::vector<c_openNode> openNodes_;
  // The nodes read whole whose parent is still open, in the order of the file.
  std::vector<CTM_node*> closedNodes_;
  std::vector<c_successorLink> successorLinks_;
  std::string linkTargets_;
};

int clampedLocation(XMLFileLoc location) { return location > INT_MAX ? INT_MAX : static_cast<int>(location); }

// Reads the file with the handler; every failure is logged as the event of its
// kind. A fault of the input stream cut the input short, so it is the one to report.
bool parseFile(const std::string& fileName, CTM_strictHandler& handler) {
  const c_inputFault& fault = handler.m_inputFault();
  try {
    xml::SecurityManager securityManager;
    securityManager.setEntityExpansionLimit(entityExpansionLimit);
    std::unique_ptr<xml::SAX2XMLReader> reader(xml::XMLReaderFactory::createXMLReader());
    reader->setFeature(xml::XMLUni::fgSAX2CoreValidation, true);
    reader->setFeature(xml::XMLUni::fgXercesDynamic, true);
    reader->setProperty(xml::XMLUni::fgXercesSecurityManager, &securityManager);
    reader->setContentHandler(&handler);
    reader->setErrorHandler(&handler);
    reader->setEntityResolver(&handler);
    std::unique_ptr<CTM_checkedSource> source(CTM_checkedSource::m_file(fileName, handler.m_inputFault()));
    reader->parse(*source);
    if (!fault.found) return true;
  } catch (const xml::XMLException& exception) {
    if (!fault.found) CTM_logging::m_log(1, ev::TOPO_FILE_XML_ERROR, "ss", fileName, toUtf8(exception.getMessage()));
  } catch (const xml::SAXParseException& exception) {
    if (!fault.found)
      CTM_logging::m_log(1, ev::TOPO_FILE_PARSE_ERROR, "siis", fileName, clampedLocation(exception.getLineNumber()),
                         clampedLocation(exception.getColumnNumber()), toUtf8(exception.getMessage()));
  } catch (const xml::SAXException& exception) {
    if (!fault.found) CTM_logging::m_log(1, ev::TOPO_FILE_REFUSED, "ss", fileName, toUtf8(exception.getMessage()));
  } catch (...) {
    if (!fault.found) CTM_logging::m_log(1, ev::TOPO_FILE_UNEXPECTED_ERROR, "s", fileName);
  }
  if (fault.found)
    CTM_logging::m_log(1, ev::TOPO_FILE_PARSE_ERROR, "siis", fileName, clampedLocation(fault.line),
                       clampedLocation(fault.column),
                       fault.message + (fault.entity.empty() ? "" : " in external entity " + fault.entity));
  return false;
}

}  // namespace

// The XML library of this platform keeps (leaks) a small pseudo-entity for every
// external DTD it reads, its guard against a use after free; sanitizer builds are
// told so, so that reading a topology file with a DTD stays clean.
extern "C" const char* __lsan_default_suppressions() { return "leak:XMLScanner::scanProlog\n"; }

CTM_file_populator::CTM_file_populator(CTM_nodeFactory& factory) : factory_(factory) {}

CTM_file_populator::~CTM_file_populator() {
  if (parserStarted_) xml::XMLPlatformUtils::Terminate();
}

bool CTM_file_populator::m_init() {
  const char* home = std::getenv("TM_HOME");
  if (!home || !*home) {
    CTM_logging::m_logNoArgs(1, ev::CFG_TM_HOME_NOT_SET);
    return false;
  }
  fileName_ = std::string(home) + "/run/cfg/topology.xml";
  std::error_code error;
  bool readable = std::filesystem::is_regular_file(fileName_, error) && std::ifstream(fileName_).is_open();
  if (!readable) {
    CTM_logging::m_log(1, ev::TOPO_FILE_MISSING, "s", fileName_);
    return false;
  }
  CTM_logging::m_log(3, ev::TOPO_FILE_FOUND, "s", fileName_);
  return true;
}

bool CTM_file_populator::m_startParser() {
  if (parserStarted_) return true;
  try {
    xml::XMLPlatformUtils::Initialize();
  } catch (const xml::XMLException& exception) {
    CTM_logging::m_log(1, ev::TOPO_XML_INIT_FAILED, "s", toUtf8(exception.getMessage()));
    return false;
  }
  parserStarted_ = true;
  return true;
}

bool CTM_file_populator::populate(CTM_world& world) {
  if (!m_startParser()) return false;
  // The handler (and inside parseFile the reader) is gone before the parser shuts down.
  std::error_code unknownSize;
  const std::uintmax_t fileSize = std::filesystem::file_size(fileName_, unknownSize);
  const std::size_t expectedNodes = unknownSize ? 0 : static_cast<std::size_t>(fileSize / bytesPerNode);
  CTM_saxHandler handler(world, factory_, std::filesystem::path(fileName_).parent_path(), expectedNodes);
  if (!parseFile(fileName_, handler)) return false;
  CTM_logging::m_log(4, ev::TOPO_FILE_READ, "s", fileName_);
  return true;
}

bool CTM_file_populator::m_parseWithoutModel() {
  if (!m_startParser()) return false;
  CTM_strictHandler handler(std::filesystem::path(fileName_).parent_path());
  return parseFile(fileName_, handler);
}
