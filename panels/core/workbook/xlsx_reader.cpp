// .xlsx workbooks: a zip archive (libzip) of XML parts (expat). Column A of the first sheet in
// workbook order; shared strings, inline strings and formula string results are text.
#include <expat.h>
#include <zip.h>

#include <cstring>
#include <functional>
#include <string_view>
#include <vector>

#include "workbook.h"

namespace tagwright::panels {
namespace {

class Archive {
  public:
    explicit Archive(std::span<const std::uint8_t> file) {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source = zip_source_buffer_create(file.data(), file.size(), 0, &error);
        if (source != nullptr) {
            zip_ = zip_open_from_source(source, ZIP_RDONLY, &error);
            if (zip_ == nullptr) zip_source_free(source);
        }
        zip_error_fini(&error);
    }
    ~Archive() {
        if (zip_ != nullptr) zip_discard(zip_);
    }
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;
    bool ok() const { return zip_ != nullptr; }

    // The member's bytes; nothing when it is missing, too large or damaged.
    std::optional<std::string> Read(const std::string& name) const {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat(zip_, name.c_str(), 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE) ||
            stat.size > kMaxFileBytes) {
            return std::nullopt;
        }
        zip_file_t* member = zip_fopen(zip_, name.c_str(), 0);
        if (member == nullptr) return std::nullopt;
        std::string bytes(static_cast<std::size_t>(stat.size), '\0');
        const zip_int64_t got = zip_fread(member, bytes.data(), stat.size);
        zip_fclose(member);
        if (got < 0 || static_cast<zip_uint64_t>(got) != stat.size) return std::nullopt;
        return bytes;
    }

  private:
    zip_t* zip_ = nullptr;
};

std::string_view LocalName(const XML_Char* name) {
    std::string_view full(name);
    const auto colon = full.rfind(':');
    return colon == std::string_view::npos ? full : full.substr(colon + 1);
}

const XML_Char* Attribute(const XML_Char** attributes, std::string_view wanted) {
    for (int i = 0; attributes[i] != nullptr; i += 2) {
        if (LocalName(attributes[i]) == wanted) return attributes[i + 1];
    }
    return nullptr;
}

// Runs expat over a document, handing element starts, ends and text to the callbacks.
struct XmlHandlers {
    std::function<void(std::string_view, const XML_Char**)> start;
    std::function<void(std::string_view)> end;
    std::function<void(std::string_view)> text;
};

bool ParseXml(const std::string& document, XmlHandlers& handlers) {
    XML_Parser parser = XML_ParserCreate("UTF-8");
    if (parser == nullptr) return false;
    XML_SetUserData(parser, &handlers);
    XML_SetElementHandler(
        parser,
        [](void* data, const XML_Char* name, const XML_Char** attributes) {
            auto& h = *static_cast<XmlHandlers*>(data);
            if (h.start) h.start(LocalName(name), attributes);
        },
        [](void* data, const XML_Char* name) {
            auto& h = *static_cast<XmlHandlers*>(data);
            if (h.end) h.end(LocalName(name));
        });
    XML_SetCharacterDataHandler(parser, [](void* data, const XML_Char* text, int length) {
        auto& h = *static_cast<XmlHandlers*>(data);
        if (h.text) h.text(std::string_view(text, static_cast<std::size_t>(length)));
    });
    const bool ok =
        XML_Parse(parser, document.data(), static_cast<int>(document.size()), 1) == XML_STATUS_OK;
    XML_ParserFree(parser);
    return ok;
}

// The relationship id of the first sheet in workbook order.
std::optional<std::string> FirstSheetId(const std::string& workbook) {
    std::optional<std::string> id;
    XmlHandlers h;
    h.start = [&](std::string_view name, const XML_Char** attributes) {
        if (name != "sheet" || id) return;
        if (const XML_Char* rid = Attribute(attributes, "id")) id = rid;
    };
    if (!ParseXml(workbook, h)) return std::nullopt;
    return id;
}

// The archive member that a relationship of xl/workbook.xml points to.
std::optional<std::string> SheetPath(const std::string& relationships, const std::string& id) {
    std::optional<std::string> target;
    XmlHandlers h;
    h.start = [&](std::string_view name, const XML_Char** attributes) {
        if (name != "Relationship" || target) return;
        const XML_Char* rid = Attribute(attributes, "Id");
        const XML_Char* to = Attribute(attributes, "Target");
        if (rid != nullptr && to != nullptr && id == rid) target = to;
    };
    if (!ParseXml(relationships, h) || !target) return std::nullopt;
    if (target->starts_with("/")) return target->substr(1);
    return "xl/" + *target;
}

// Shared strings: each <si> is the concatenation of its <t> texts, phonetic runs left out.
std::optional<std::vector<std::string>> SharedStrings(const std::string& document) {
    std::vector<std::string> strings;
    bool inText = false;
    int phonetic = 0;
    XmlHandlers h;
    h.start = [&](std::string_view name, const XML_Char**) {
        if (name == "si") strings.emplace_back();
        if (name == "rPh") ++phonetic;
        if (name == "t" && phonetic == 0 && !strings.empty()) inText = true;
    };
    h.end = [&](std::string_view name) {
        if (name == "rPh") --phonetic;
        if (name == "t") inText = false;
    };
    h.text = [&](std::string_view text) {
        if (inText) strings.back().append(text);
    };
    if (!ParseXml(document, h)) return std::nullopt;
    return strings;
}

// "A12" -> column 0, row 11; nothing for another column or a malformed reference.
std::optional<std::uint32_t> RowOfColumnA(std::string_view reference) {
    if (reference.size() < 2 || (reference[0] != 'A' && reference[0] != 'a')) return std::nullopt;
    std::uint64_t row = 0;
    for (char c : reference.substr(1)) {
        if (c < '0' || c > '9') return std::nullopt;
        row = row * 10 + static_cast<std::uint64_t>(c - '0');
        if (row > kMaxRows) return std::nullopt;
    }
    if (row == 0) return std::nullopt;
    return static_cast<std::uint32_t>(row - 1);
}

bool ReadSheet(const std::string& document, const std::vector<std::string>& shared,
               ColumnA& column) {
    std::optional<std::uint32_t> row;  // of the cell being read, when it is in column A
    std::string type, value, inlineText;
    bool inValue = false, inInline = false;
    bool damaged = false;
    XmlHandlers h;
    h.start = [&](std::string_view name, const XML_Char** attributes) {
        if (name == "c") {
            const XML_Char* reference = Attribute(attributes, "r");
            const XML_Char* t = Attribute(attributes, "t");
            row = reference ? RowOfColumnA(reference) : std::nullopt;
            type = t ? t : "n";
            value.clear();
            inlineText.clear();
        } else if (name == "v") {
            inValue = true;
        } else if (name == "t" && row) {
            inInline = true;
        }
    };
    h.end = [&](std::string_view name) {
        if (name == "v") inValue = false;
        if (name == "t") inInline = false;
        if (name != "c" || !row) return;
        if (type == "s") {
            char* end = nullptr;
            const unsigned long index = std::strtoul(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || index >= shared.size()) {
                damaged = true;
            } else {
                column.Set(*row, shared[index]);
            }
        } else if (type == "inlineStr") {
            column.Set(*row, inlineText);
        } else if (type == "str") {
            column.Set(*row, value);
        }
        row.reset();
    };
    h.text = [&](std::string_view text) {
        if (!row) return;
        if (inValue) value.append(text);
        if (inInline) inlineText.append(text);
    };
    return ParseXml(document, h) && !damaged;
}

}  // namespace

std::optional<ColumnA> ReadXlsxColumnA(std::span<const std::uint8_t> file) {
    const Archive archive(file);
    if (!archive.ok()) return std::nullopt;
    const auto workbook = archive.Read("xl/workbook.xml");
    const auto relationships = archive.Read("xl/_rels/workbook.xml.rels");
    if (!workbook || !relationships) return std::nullopt;
    const auto id = FirstSheetId(*workbook);
    if (!id) return std::nullopt;
    const auto path = SheetPath(*relationships, *id);
    if (!path) return std::nullopt;
    const auto sheet = archive.Read(*path);
    if (!sheet) return std::nullopt;
    std::vector<std::string> shared;
    if (const auto strings = archive.Read("xl/sharedStrings.xml")) {
        auto parsed = SharedStrings(*strings);
        if (!parsed) return std::nullopt;
        shared = std::move(*parsed);
    }
    ColumnA column;
    if (!ReadSheet(*sheet, shared, column)) return std::nullopt;
    return column;
}

}  // namespace tagwright::panels
