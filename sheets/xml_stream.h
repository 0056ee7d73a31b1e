// SPDX-License-Identifier: MIT
// An XML document parsed by expat as its bytes arrive, so that no part is ever held whole. Two
// things could still make expat hold much: one piece of markup (a start tag, a comment) that
// never ends, and entities that expand; a piece of markup is therefore limited to
// kMaxMarkupBytes, and a document with a document type declaration (which spreadsheet parts
// never have) is refused.
#pragma once

#include <expat.h>

#include <cstdint>
#include <span>
#include <string_view>

namespace tagwright::sheets {

class XmlStream;

// What a document holds, as the parser finds it. Names come without their namespace prefix.
class XmlHandler {
  public:
    virtual ~XmlHandler() = default;
    virtual void Start(std::string_view /*name*/, const XML_Char** /*attributes*/) {}
    virtual void End(std::string_view /*name*/) {}
    virtual void Text(std::string_view /*text*/) {}

  protected:
    // The handler has what it needs, or found a fault: the parser reads nothing more.
    void StopParsing();

  private:
    friend class XmlStream;
    XmlStream* stream_ = nullptr;
};

// The value of the attribute with this local name, or nullptr.
const XML_Char* Attribute(const XML_Char** attributes, std::string_view name);

class XmlStream {
  public:
    static constexpr std::int64_t kMaxMarkupBytes = 1024 * 1024;

    explicit XmlStream(XmlHandler& handler);
    ~XmlStream();
    XmlStream(const XmlStream&) = delete;
    XmlStream& operator=(const XmlStream&) = delete;

    enum class Result { Going, Ended, Stopped, Failed };
    // Parses the next piece (the last one with last set). Ended: the document is whole; Stopped:
    // a handler called Stop; Failed: malformed, or past the limits above.
    Result Feed(std::span<const char> bytes, bool last);
    // From a handler: parse nothing more.
    void Stop();

  private:
    static void OnStart(void* self, const XML_Char* name, const XML_Char** attributes);
    static void OnEnd(void* self, const XML_Char* name);
    static void OnText(void* self, const XML_Char* text, int length);
    static void OnOther(void* self, const XML_Char* text, int length);
    static void OnDoctype(void* self, const XML_Char*, const XML_Char*, const XML_Char*, int);
    void Seen();

    XmlHandler& handler_;
    XML_Parser parser_;
    std::int64_t fed_ = 0;
    std::int64_t lastSeen_ = 0;  // where the last thing the parser reported began
    bool stopped_ = false;
    bool refused_ = false;
};

}  // namespace tagwright::sheets
