// SPDX-License-Identifier: MIT
#include "text_tables.h"

#include <array>
#include <atomic>

namespace tagwright::text {
namespace {

constexpr Entry kNavigation[] = {
    {0, "设备设置", "Device Setting"}, {1, "语言设置", "Language Setting"},
    {2, "NFC文本", "NFC Text"},        {3, "NFC网址", "NFC URL"},
    {4, "智能海报", "SmartPoster"},
};

constexpr Entry kDeviceBar[] = {
    {0, " 设 备:", "Device:"}, {1, "-请选择-", "- Select -"},     {2, "打开", "Open"},
    {3, "关闭", "Close"},      {4, "  操作类别:", "ActionType:"}, {5, "提示:", "Tips:"},
};

constexpr Entry kLabel[] = {
    {0, "读取", "Read"},
    {1, "写入", "Write"},
    {2, "停止", "Stop"},
    {3, "锁定卡", "Lock Tag"},
    {4, "自动操作", "Auto operation"},
    {5, "待写入文本:", "Text to be written:"},
    {6, "文本长度:", "Text length:"},
    {7, "字节", "Bytes"},
    {8, "标题:", "Title:"},
    {9, "网址:", "URL:"},
    {10, "从文件写", "Write from file"},
    {11, "文件", "File"},
    {12, "行号码:", "Row number:"},
    {13, "行号自动递增", "Row auto +1"},
    {14, "行号减1", "Row -1"},
    {15, "行号加1", "Row +1"},
    {16, "加载文件:", "Load file:"},
    {17, "写卡加密", "Encryption"},
    {18, "原密码:", "Original key:"},
    {19, "新密码:", "New key:"},
    {20, "清除密码", "Clear key"},
    {21, "选项", "Option"},
    {22, "日志", "Journal"},
    {23, "日期:", "Day:"},
    {24, "批次文件...", "Batch file..."},
    {25, "导出CSV...", "Export CSV..."},
    {26, "关闭", "Close"},
    {27, "日志文件夹:", "Journal folder:"},
    {28, "共%d条记录", "%d records"},
    {29, "无法读取日志: %s", "The journal cannot be read: %s"},
    {30, "写后校验", "Verify"},
    {31, "每签一行", "One row per tag"},
    {32, "模板", "Templates"},
    {33, "擦除", "Erase"},
    {34, "NFC计数器", "NFC counter"},
    {35, "计数需密码", "Counter by key"},
    {36, "锁定配置", "Lock config"},
    {37, "仅限正品", "Genuine only"},
    {38, "镜像:", "Mirror:"},
    {39, "无", "None"},
    {40, "UID", "UID"},
    {41, "计数器", "Counter"},
    {42, "UID和计数器", "UID and counter"},
    {43, "读保护", "Protect reads"},
    {44, "PACK:", "PACK:"},
};

constexpr Entry kTip[] = {
    {1, "批量自动读/写卡.", "Batch auto read / write card."},
    {2, "从Excel文件中导入数据写卡.", "Import data from Excel file to write card."},
    {3, "注意：锁定卡后，将无法再更改数据!",
     "Once the card is locked, the data can no longer be changed !"},
    {4, "注意：加密后，需要验证密码通过后才能更改数据，请务必记住新密码!",
     "After encryption, you need to verify the password to change the data. Please remember "
     "the new password !"},
    {5, "NTAG213/215/216: 写卡时开启NFC计数器, 标签每次被读取时计数, 读卡时显示计数.",
     "NTAG213/215/216: Write switches the NFC counter on; the tag counts each time it is read, "
     "and Read shows the count."},
    {6, "NFC计数器只在验证密码后才能读出.", "The NFC counter can be read only with the password."},
    {7, "注意：锁定配置后，将无法再更改保护和计数器的设置!",
     "With Lock Tag: once the configuration is locked, protection and counter settings can no "
     "longer be changed !"},
    {8, "加密时: 允许输错密码的次数, 达到后标签永久拒绝任何密码(包括正确密码). -: 不限.",
     "With Encryption: the wrong keys the tag allows; once they are reached it refuses every key "
     "for good, the right one too. -: no limit."},
    {9, "写卡前校验原厂签名, 拒绝不是NXP正品芯片的标签.",
     "Write checks the originality signature first and refuses tags that are not genuine NXP "
     "chips."},
    {10,
     "网址在{mirror}处(或末尾)带上标签的UID和/或计数器(计数器: 仅NTAG213/215/216), "
     "每次读取时由标签填入.",
     "The URL carries the tag's UID and/or counter (the counter: NTAG213/215/216 only) where "
     "{mirror} stands (or at its end), filled in by the tag at every read."},
    {11, "加密时: 读取也需要密码, 没有密码的手机读不到内容. 读卡时使用原密码.",
     "With Encryption: reads need the key too, so that a phone without it reads nothing. Read "
     "uses the original key."},
    {12,
     "加密时写入的密码确认(PACK, 4位十六进制), 每次验证密码时核对. 留空: "
     "由密码推出(字节0异或字节2, "
     "字节1异或字节3).",
     "The password acknowledge (PACK, 4 hex digits) Encryption writes and every authentication "
     "checks. Empty: derived from the key (byte 0 XOR byte 2, byte 1 XOR byte 3)."},
};

constexpr Entry kDeviceMessage[] = {
    {0, "请选择一个设备!", "Please select a device !"},
    {1, "设备未打开!", "Device not opened !"},
};

constexpr Entry kResultFragment[] = {
    {2, "错误:", "Error:"},
    {3, ",函数:", ",Function:"},
};

constexpr Entry kGeneral[] = {
    {0, "设备未打开!", "Device not opened !"},
    {1, "打开设备成功!", "Open device successfully !"},
    {3, "关闭设备成功!", "Close device successfully !"},
    {16, "加载文件成功!", "File Loading Successfully !"},
    {17, "加载文件失败!", "Failed to load file !"},
    {18, "未加载文件!", "No files have been loaded yet !"},
    {19, "原密码必须是8位十六进制数!", "Original key must be 8 hexadecimal digits !"},
    {20, "新密码必须是8位十六进制数!", "New key must be 8 hexadecimal digits !"},
    {21, "无法写入日志: %s", "The journal cannot be written: %s"},
    {22, "无法写入日志, 批量写入已停止 !", "The batch stopped: the journal cannot be written !"},
    {23, "日志导出失败!", "The journal could not be exported !"},
    {24, "写前检查", "Pre-flight check"},
    {25, "第%1至%2行中有%3行写入%4时会失败:", "%3 of the rows %1 to %2 would fail on an %4:"},
    {26, "第%1行: %2", "Row %1: %2"},
    {27, "另有%1行未列出。", "and %1 more rows."},
    {28, "仍然开始", "Start anyway"},
    {29, "取消", "Cancel"},
    {30, "继续批量写入", "Resume batch"},
    {31, "第%1至%2行已写在%3张标签上, 从第%4行继续?",
     "Rows %1 to %2 are on %3 tags; go on at row %4?"},
    {32, "继续", "Go on"},
    {33, "从头开始", "Start afresh"},
    {34, "该表的%1行已全部写在%2张标签上。", "All %1 rows of this sheet are on %2 tags already."},
    {35, "第%1/%2行  本次已写%3张  每分钟%4张  剩余%5",
     "Row %1 of %2  tags this run: %3  per minute: %4  time left: %5"},
    {36,
     "第%1至%2行中有%3行写入任何标签时都会失败:", "%3 of the rows %1 to %2 would fail on any tag:"},
    {37, "第%1行已写在%2张标签上, 从第%3行继续?", "Row %1 is on %2 tags; go on at row %3?"},
    {38, "第%1行已写在一张标签上, 从第%2行继续?", "Row %1 is on a tag; go on at row %2?"},
    {39, "第%1至%2行已写在一张标签上, 从第%3行继续?",
     "Rows %1 to %2 are on one tag; go on at row %3?"},
    {40, "PACK不是4位十六进制数!", "PACK is not 4 hex digits !"},
};

// In the order of the journal's columns (time, reader, uid, ... duration_ms).
constexpr Entry kJournalColumn[] = {
    {0, "时间", "Time"},
    {1, "读卡器", "Reader"},
    {2, "UID", "UID"},
    {3, "型号", "Model"},
    {4, "功能", "Function"},
    {5, "操作", "Operation"},
    {6, "方式", "Mode"},
    {7, "批次文件", "Batch file"},
    {8, "批次文件SHA-256", "Batch SHA-256"},
    {9, "行号", "Row"},
    {10, "内容", "Message"},
    {11, "NDEF SHA-256", "NDEF SHA-256"},
    {12, "加密", "Encryption"},
    {13, "密码指纹", "Key fingerprint"},
    {14, "锁定", "Lock"},
    {15, "结果", "Result"},
    {16, "失败原因", "Failure"},
    {17, "状态码", "Status code"},
    {18, "耗时(毫秒)", "Duration (ms)"},
    {19, "镜像", "Mirror"},
    {20, "计数器", "Counter"},
    {21, "正品", "Genuine"},
};

constexpr Entry kMessage[] = {
    {7, "等待卡片......", "Waiting for card ......"},
    {8, "请将卡片移离感应区......", "Waiting for the card to be removed ......"},
    {10, "非NTAG卡!", "Non NTAG card !"},
    {16, "读失败: Page%d !", "Read faild: Page%d !"},
    {18, "写失败: Page%d !", "Write faild: Page%d !"},
    {20, "读数据成功!", "Read data succeed !"},
    {22, "非NDEF数据格式标签!", "Non-NDEF data format tag !"},
    {23, "标签处于锁定状态!", "Tag is locked !"},
    {24, "数据长度超出%d字节!", "Data length exceeds %d bytes !"},
    {25, "未能识别的dynamic lock bytes地址!",
     "Failed to recognize the dynamic lock bytes address !"},
    {26, "锁定标签成功!", "Lock tag success !"},
    {27, "UID: ", "UID: "},
    {28, "不能识别的NDEF Message !", "Unrecognizable NDEFMessage !"},
    {29, "缓冲区长度不足!", "Buffer length not enough !"},
    {30, "数据长度超出范围!", "The data length is out of range !"},
    {31, "写数据成功: ", "Write data succeed: "},
    {32, "未加载文件!", "No files have been loaded yet !"},
    {33, "行号应该大于0!", "The row number should be greater than 0 !"},
    {34, "无法识别的字符类型!", "Unrecognizable character types !"},
    {35, "未能识别出AUTH0地址!", "Failed to recognize the AUTH0 address !"},
    {36, "加密成功!", "Encryption successful !"},
    {37, "清除密码成功!", "Password cleared successfully !"},
    {38, "验证密码失败!", "Authentication key fail !"},
    {39, "未能识别出标签型号!", "Failed to recognize the tag model !"},
    {40, "标签密码现为 %s !", "The tag's password is now %s !"},
    {42, "此标签已写入本批次第%d行, 拒绝再写!", "This tag already received row %d of this batch !"},
    {43, "标签已存有第%d行, 无需再写!", "The tag already holds row %d !"},
    {44, "标签密码现为新密钥!", "The tag's password is now the New key !"},
    {45, "校验失败: Page%d !", "Verify failed: Page%d !"},
    {46, "模板错误: %s !", "Template error: %s !"},
    {47, "该标签不支持密码保护!", "The tag does not support password protection !"},
    // Two numbers, pages written and pages in all, in that order.
    {48, "已写入页：%d / %d", "Pages written: %d of %d"},
    {49, "擦除成功!", "Tag erased successfully !"},
    {50, "该标签没有NFC计数器!", "The tag has no NFC counter !"},
    {51, "NFC计数器已开启!", "NFC counter on !"},
    // The counter's value.
    {52, "计数器: %d", "Counter: %d"},
    {53, "配置已锁定!", "Configuration locked !"},
    {54, "密码错误次数上限: %d !", "Wrong keys allowed: %d !"},
    // The model's name.
    {55, "NXP正品 %s", "Genuine NXP %s"},
    {56, "签名不符: 不是NXP正品芯片!", "The signature does not match: not a genuine NXP chip !"},
    {57, "密码确认(PACK)不符: 标签接受了它不该接受的密码!",
     "Password acknowledge does not match: the tag takes keys it was not given !"},
    // "Genuine only" refusing a tag.
    {58, "不是NXP正品芯片: 未写入!", "Not a genuine NXP chip: nothing was written !"},
    {59, "该标签没有原厂签名!", "The tag has no originality signature !"},
    {60, "该标签不能镜像UID或计数器!", "The tag cannot mirror its UID or counter here !"},
    // The mirror's kind, as the list names it.
    {61, "镜像已开启: %s !", "Mirror on: %s !"},
    {62, "读取也受密码保护!", "Reads need the key too !"},
};

std::atomic<Language> g_language{Language::Chinese};

}  // namespace

std::span<const Entry> Entries(Table table) {
    switch (table) {
        case Table::Navigation:
            return kNavigation;
        case Table::DeviceBar:
            return kDeviceBar;
        case Table::Label:
            return kLabel;
        case Table::Tip:
            return kTip;
        case Table::DeviceMessage:
            return kDeviceMessage;
        case Table::ResultFragment:
            return kResultFragment;
        case Table::General:
            return kGeneral;
        case Table::Message:
            return kMessage;
        case Table::JournalColumn:
            return kJournalColumn;
    }
    return {};
}

std::string_view Lookup(Table table, int entry, Language language) {
    for (const Entry& e : Entries(table)) {
        if (e.number == entry) return language == Language::English ? e.english : e.chinese;
    }
    return {};
}

std::string_view Tr(Table table, int entry) {
    return Lookup(table, entry, UiLanguage());
}

void SetUiLanguage(Language language) {
    g_language = language;
}
Language UiLanguage() {
    return g_language;
}

namespace {

std::string Substitute(Table table, int entry, std::string_view placeholder,
                       std::string_view value) {
    std::string text(Tr(table, entry));
    if (const auto at = text.find(placeholder); at != std::string::npos) {
        text.replace(at, placeholder.size(), value);
    }
    return text;
}

}  // namespace

std::string TrNumber(Table table, int entry, long long number) {
    return Substitute(table, entry, "%d", std::to_string(number));
}

std::string TrText(Table table, int entry, std::string_view value) {
    return Substitute(table, entry, "%s", value);
}

std::string TrArgs(Table table, int entry, std::initializer_list<std::string_view> values) {
    const std::string_view pattern = Tr(table, entry);
    std::string text;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        const std::size_t n = std::size_t(next - '1');
        if (pattern[i] == '%' && next >= '1' && next <= '9' && n < values.size()) {
            text += *(values.begin() + n);
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return text;
}

}  // namespace tagwright::text
