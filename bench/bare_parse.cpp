// bare_parse <topology file>: the floor of a kelvane run as a whole process. It
// starts as kelvane starts, with the same XML library, and reads the file with
// the reader set up as kelvane sets it (validating, DTD when present) and a
// handler that does nothing. Exit status 0 when the file was read.
#include <xercesc/sax2/DefaultHandler.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLUni.hpp>

#include <cstdio>
#include <memory>

namespace xml = xercesc;

namespace {

// Stops at the first error, as kelvane's reader does.
class c_emptyHandler : public xml::DefaultHandler {
 public:
  void error(const xml::SAXParseException& exception) override { throw exception; }
  void fatalError(const xml::SAXParseException& exception) override { throw exception; }
};

bool parse(const char* fileName) {
  try {
    std::unique_ptr<xml::SAX2XMLReader> reader(xml::XMLReaderFactory::createXMLReader());
    reader->setFeature(xml::XMLUni::fgSAX2CoreValidation, true);
    reader->setFeature(xml::XMLUni::fgXercesDynamic, true);
    c_emptyHandler handler;
    reader->setContentHandler(&handler);
    reader->setErrorHandler(&handler);
    reader->parse(fileName);
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: bare_parse <topology file>\n", stderr);
    return 2;
  }
  xml::XMLPlatformUtils::Initialize();
  const bool read = parse(argv[1]);
  xml::XMLPlatformUtils::Terminate();
  return read ? 0 : 1;
}
