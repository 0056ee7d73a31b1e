// SPDX-License-Identifier: MIT
#include "xml_stream.h"

namespace tagwright::sheets {
namespace {

std::string_view LocalName(const XML_Char* name) {
    std::string_view full(name);
    const auto colon = full.rfind(':');
    return colon == std::string_view::npos ? full : full.substr(colon + 1);
}

}  // namespace

const XML_Char* Attribute(const XML_Char** attributes, std::string_view name) {
    for (int i = 0; attributes[i] != nullptr; i += 2) {
        if (LocalName(attributes[i]) == name) return attributes[i + 1];
    }
    return nullptr;
}

void XmlHandler::StopParsing() {
    if (stream_ != nullptr) stream_->Stop();
}

XmlStream::XmlStream(XmlHandler& handler) : handler_(handler), parser_(XML_ParserCreate("UTF-8")) {
    handler_.stream_ = this;
    if (parser_ == nullptr) return;
    XML_SetUserData(parser_, this);
    XML_SetElementHandler(parser_, OnStart, OnEnd);
    XML_SetCharacterDataHandler(parser_, OnText);
    // Everything else (comments, processing instructions, the declaration) only moves on.
    XML_SetDefaultHandlerExpand(parser_, OnOther);
    XML_SetStartDoctypeDeclHandler(parser_, OnDoctype);
}

XmlStream::~XmlStream() {
    handler_.stream_ = nullptr;
    if (parser_ != nullptr) XML_ParserFree(parser_);
}

void XmlStream::Seen() {
    lastSeen_ = XML_GetCurrentByteIndex(parser_);
}

void XmlStream::OnStart(void* self, const XML_Char* name, const XML_Char** attributes) {
    auto& stream = *static_cast<XmlStream*>(self);
    stream.Seen();
    stream.handler_.Start(LocalName(name), attributes);
}

void XmlStream::OnEnd(void* self, const XML_Char* name) {
    auto& stream = *static_cast<XmlStream*>(self);
    stream.Seen();
    stream.handler_.End(LocalName(name));
}

void XmlStream::OnText(void* self, const XML_Char* text, int length) {
    auto& stream = *static_cast<XmlStream*>(self);
    stream.Seen();
    stream.handler_.Text(std::string_view(text, static_cast<std::size_t>(length)));
}

void XmlStream::OnOther(void* self, const XML_Char*, int) {
    static_cast<XmlStream*>(self)->Seen();
}

void XmlStream::OnDoctype(void* self, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    auto& stream = *static_cast<XmlStream*>(self);
    stream.refused_ = true;
    XML_StopParser(stream.parser_, XML_FALSE);
}

void XmlStream::Stop() {
    if (stopped_) return;
    stopped_ = true;
    XML_StopParser(parser_, XML_FALSE);
}

XmlStream::Result XmlStream::Feed(std::span<const char> bytes, bool last) {
    if (parser_ == nullptr || refused_) return Result::Failed;
    if (stopped_) return Result::Stopped;
    const auto status =
        XML_Parse(parser_, bytes.data(), static_cast<int>(bytes.size()), last ? 1 : 0);
    if (refused_) return Result::Failed;
    if (stopped_) return Result::Stopped;
    if (status != XML_STATUS_OK) return Result::Failed;
    fed_ += static_cast<std::int64_t>(bytes.size());
    if (fed_ - lastSeen_ > kMaxMarkupBytes) return Result::Failed;
    return last ? Result::Ended : Result::Going;
}

}  // namespace tagwright::sheets
