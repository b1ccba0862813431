// SPDX-License-Identifier: Apache-2.0
#include "TagSubstitution.h"

#include "HostCalls_p.h"
#include "clsEnum.h"
#include "platform/Locale.h"
#include "resources/Toolkit_LoadResource.h"

#include <QLatin1StringView>
#include <QtAlgorithms>
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

using namespace PrintFileHost;

namespace {

enum class FixedTag {
    None,
    Date,
    Time,
    Value,
    User,
    Organisation,
    DefaultTag,
    DeviceTypeText,
    DeviceId,
    DevDescLong,
    VendorId,
    Vendor,
};

// Every template tag comes through here, so the fixed names are told apart by
// length first instead of by eleven string comparisons.
FixedTag fixedTagOf(QStringView name)
{
    // Item names seldom start like a fixed one, which settles most of them
    // before any comparison.
    auto is = [&name](QLatin1StringView fixed) {
        return name.front() == QChar(fixed.front()) && name == fixed;
    };
    switch (name.size()) {
    case 4:
        if (is(QLatin1StringView("DATE")))
            return FixedTag::Date;
        if (is(QLatin1StringView("TIME")))
            return FixedTag::Time;
        if (is(QLatin1StringView("USER")))
            return FixedTag::User;
        break;
    case 5:
        if (is(QLatin1StringView("VALUE")))
            return FixedTag::Value;
        break;
    case 6:
        if (is(QLatin1StringView("VENDOR")))
            return FixedTag::Vendor;
        break;
    case 8:
        if (is(QLatin1StringView("DEVICEID")))
            return FixedTag::DeviceId;
        if (is(QLatin1StringView("VENDORID")))
            return FixedTag::VendorId;
        break;
    case 10:
        if (is(QLatin1StringView("DEFAULTTAG")))
            return FixedTag::DefaultTag;
        break;
    case 11:
        if (is(QLatin1StringView("DEVDESCLONG")))
            return FixedTag::DevDescLong;
        break;
    case 12:
        if (is(QLatin1StringView("ORGANISATION")))
            return FixedTag::Organisation;
        break;
    case 14:
        if (is(QLatin1StringView("DEVICETYPETEXT")))
            return FixedTag::DeviceTypeText;
        break;
    default:
        break;
    }
    return FixedTag::None;
}

BSTR deviceEntryKey(FixedTag tag)
{
    static const ConstBStr defaultTag(u"DEFAULTTAG");
    static const ConstBStr devTypeText(u"DEVTYPETEXT");
    static const ConstBStr deviceId(u"DEVICEID");
    static const ConstBStr devDescLong(u"DEVDESCLONG");
    static const ConstBStr vendorId(u"VENDORID");
    static const ConstBStr vendor(u"VENDOR");
    switch (tag) {
    case FixedTag::DefaultTag:
        return defaultTag.get();
    case FixedTag::DeviceTypeText:
        return devTypeText.get();
    case FixedTag::DeviceId:
        return deviceId.get();
    case FixedTag::DevDescLong:
        return devDescLong.get();
    case FixedTag::VendorId:
        return vendorId.get();
    case FixedTag::Vendor:
        return vendor.get();
    default:
        return nullptr;
    }
}

/// The upper case of one character on its own, as long as the character:
/// "ß" stays "ß" (the full mapping would make it "SS" and ask the host for
/// another name). A surrogate pair is mapped as the one character it is.
void upperCaseInPlace(char16_t *text, qsizetype length)
{
    for (qsizetype i = 0; i < length; ++i) {
        const char16_t c = text[i];
        if (QChar::isHighSurrogate(c) && i + 1 < length && QChar::isLowSurrogate(text[i + 1])) {
            const char32_t upper = QChar::toUpper(QChar::surrogateToUcs4(c, text[i + 1]));
            if (QChar::requiresSurrogates(upper)) {
                text[i] = QChar::highSurrogate(upper);
                text[i + 1] = QChar::lowSurrogate(upper);
            }
            ++i;
        } else {
            text[i] = QChar::toUpper(c);
        }
    }
}

/// The name of a whole tag without its markers and outer blanks.
QStringView tagNameSpan(QStringView tag)
{
    if (tag.size() < 2)
        return {};
    qsizetype first = 1;
    qsizetype last = tag.size() - 1;
    while (first < last && tag[first] == u' ')
        ++first;
    while (last > first && tag[last - 1] == u' ')
        --last;
    return tag.sliced(first, last - first);
}

/// Copies a tag's name in upper case. Names are nearly always plain ASCII,
/// which is upper-cased without a table.
void copyUpperCase(char16_t *out, QStringView name)
{
    const char16_t *in = name.utf16();
    const qsizetype length = name.size();
    qsizetype i = 0;
    // Four ASCII characters a step: bit 7 of each unit + 0x1F is set from
    // "a" on, of each unit + 0x05 from "{" on; no unit below 0x80 carries
    // into the next.
    for (; i + 4 <= length; i += 4) {
        std::uint64_t word;
        std::memcpy(&word, in + i, sizeof word);
        if (word & 0xFF80FF80FF80FF80ULL)
            break;
        const std::uint64_t lower =
            (word + 0x001F001F001F001FULL) & ~(word + 0x0005000500050005ULL) & 0x0080008000800080ULL;
        word ^= lower >> 2;
        std::memcpy(out + i, &word, sizeof word);
    }
    for (; i < length; ++i) {
        const char16_t c = in[i];
        if (c >= 0x80) {
            std::char_traits<char16_t>::copy(out + i, in + i, length - i);
            upperCaseInPlace(out + i, length - i);
            break;
        }
        out[i] = c >= u'a' && c <= u'z' ? char16_t(c - (u'a' - u'A')) : c;
    }
}

/// The BSTR a tag's name is handed to the host as, built in place: the host
/// only reads in-arguments, so a name of ordinary length costs no
/// allocation. Laid out as an allocated one (length prefix, terminating NUL).
class NameText
{
public:
    /// The name of `tag`: with `stripMarkers`, cut from a whole tag as a
    /// line holds it and upper-cased; without, `tag` itself.
    NameText(QStringView tag, bool stripMarkers)
    {
        const QStringView span = stripMarkers ? tagNameSpan(tag) : tag;
        const qsizetype length = span.size();
        m_length = length;
        if (length <= kInlineLength) {
            m_inline.bytes = static_cast<std::uint32_t>(length * sizeof(char16_t));
            m_chars = m_inline.chars;
        } else {
            *m_heap.put() = SysAllocStringLen(nullptr, static_cast<std::uint32_t>(length));
            if (!m_heap.get())
                throw ComError(E_OUTOFMEMORY);
            m_chars = m_heap.get();
        }
        m_chars[length] = 0;
        if (stripMarkers)
            copyUpperCase(m_chars, span);
        else
            std::char_traits<char16_t>::copy(m_chars, span.utf16(), std::size_t(length));
    }
    NameText(const NameText &) = delete;
    NameText &operator=(const NameText &) = delete;

    BSTR get() const noexcept { return m_chars; }
    QStringView view() const noexcept { return QStringView(m_chars, m_length); }

private:
    static constexpr qsizetype kInlineLength = 255;
    // The characters start four bytes into a 16-byte aligned block, as in
    // an allocated one.
    struct alignas(16) Inline
    {
        std::uint32_t bytes;
        char16_t chars[kInlineLength + 1];
    };
    Inline m_inline;
    BStr m_heap;
    char16_t *m_chars = nullptr;
    qsizetype m_length = 0;
};

QString dataSourceText(const TagContext &context)
{
    using HostContract::LoadMode;
    switch (context.loadMode) {
    case LoadMode::Application:
        return GetLocalString(1133);
    case LoadMode::Database:
        return GetLocalString(1135) + QLatin1StringView("  ") + context.databaseFileName;
    case LoadMode::Device:
        return GetLocalString(1134);
    default:
        return {};
    }
}

/// Whether the definition makes an item's value an enumeration's text.
bool isEnumeration(const HostAccess::ObjectDefinition &definition, bool definitionErrorCounts)
{
    return definition.kind == 4 && !(definitionErrorCounts && definition.error != 0);
}

QString enumerationText(AppItemManager *itemManager, const HostAccess::ObjectDefinition &definition,
                        std::int32_t itemHandle, const QString &value, TagResolution *resolution)
{
    const std::int32_t number = enumerationNumber(value);
    const QString typeName = definition.typeName.toQString();
    EnumLookupTrace *trace = nullptr;
    if (resolution) {
        resolution->enumeration = true;
        resolution->typeName = typeName;
        resolution->number = number;
        trace = &resolution->lookup;
    }
    return clsEnum::create()->GetEnumText(itemManager, typeName, itemHandle, number, trace);
}

/// What a tag comes to: the value as the host handed it (an item's or a
/// device entry's), a text made here (a fixed tag's, an enumeration's), or
/// the tag itself when the host has no such item or entry. Kept apart so
/// that a whole line can take the host's value as it is, without a string
/// of its own.
struct TagAnswer
{
    enum class Kind { Value, Text, Tag };
    Kind kind = Kind::Value;
    BStr value;
    QString text;
};

TagAnswer textAnswer(QString text)
{
    TagAnswer answer;
    answer.kind = TagAnswer::Kind::Text;
    answer.text = std::move(text);
    return answer;
}

TagAnswer hostItemAnswer(const TagContext &context, const NameText &tagName, TagResolution *resolution)
{
    static const QString encodedAmpersand = QStringLiteral("&amp;");
    static const QString ampersand = QStringLiteral("&");

    BSTR itemName = tagName.get();
    BStr decoded;
    const QStringView itemView = tagName.view();
    if (std::char_traits<char16_t>::find(itemView.utf16(), itemView.size(), u'&')) {
        QString name = itemView.toString();
        ReplaceNoCase(name, encodedAmpersand, ampersand);
        decoded = BStr(name);
        itemName = decoded.get();
    }
    if (resolution)
        resolution->name = BStr::toQString(itemName);

    AppItemManager *itemManager = context.itemManager;
    if (!itemManager)
        throw ComError(E_POINTER);
    const VARIANT_BOOL shadow = toVariantBool(context.shadow);

    TagAnswer answer;
    std::int32_t itemHandle = 0;
    std::int32_t error = 0;
    check(itemManager->OpenItem(itemName, shadow, context.viewHandle, &itemHandle, 0, 0, &error));
    if (error != 0) {
        if (resolution)
            resolution->outcome = TagResolution::Outcome::NoItem;
        answer.kind = TagAnswer::Kind::Tag;
        return answer;
    }
    OpenedItem item(itemManager, context.viewHandle, itemHandle, shadow);

    error = 0;
    check(itemManager->GetItemString(itemHandle, answer.value.put(), shadow, &error));
    if (error == 0) {
        const HostAccess::ObjectDefinition definition = HostAccess::objectDefinition(itemManager, itemName);
        if (definition.found && isEnumeration(definition, false)) {
            answer.text =
                enumerationText(itemManager, definition, itemHandle, answer.value.toQString(), resolution);
            answer.kind = TagAnswer::Kind::Text;
        }
    } else if (resolution) {
        resolution->outcome = TagResolution::Outcome::ItemNotRead;
    }
    item.close();
    return answer;
}

TagAnswer deviceEntryAnswer(const TagContext &context, FixedTag tag, TagResolution *resolution)
{
    BSTR key = deviceEntryKey(tag);
    if (resolution)
        resolution->name = BStr::toQString(key);
    TagAnswer answer;
    std::int32_t error = 0;
    check(deviceDescription(context.itemManager)->GetDeviceEntry(key, answer.value.put(), &error));
    if (error != 0) {
        if (resolution)
            resolution->outcome = TagResolution::Outcome::NoDeviceEntry;
        answer.kind = TagAnswer::Kind::Tag;
    }
    return answer;
}

/// The one lookup of a tag, whether a line is filled or GetTagValue asked.
TagAnswer tagAnswer(const TagContext &context, const NameText &name, TagResolution *resolution)
{
    const FixedTag fixed = fixedTagOf(name.view());
    switch (fixed) {
    case FixedTag::Date:
        return textAnswer(formatTagDate(currentTime(context)));
    case FixedTag::Time:
        return textAnswer(formatTagTime(currentTime(context)));
    case FixedTag::Value:
        return textAnswer(dataSourceText(context));
    case FixedTag::User:
        return textAnswer(context.registeredOwner ? context.registeredOwner() : QString());
    case FixedTag::Organisation:
        return textAnswer(context.registeredOrganization ? context.registeredOrganization() : QString());
    case FixedTag::None:
        return hostItemAnswer(context, name, resolution);
    default:
        return deviceEntryAnswer(context, fixed, resolution);
    }
}

/// The first "#" in [from, end), or null. Lines are long and markers few,
/// so eight characters are looked at a step.
const char16_t *findMarker(const char16_t *from, const char16_t *end)
{
#ifdef __SSE2__
    const __m128i marker = _mm_set1_epi16(u'#');
    for (; end - from >= 8; from += 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from));
        if (const int found = _mm_movemask_epi8(_mm_cmpeq_epi16(units, marker)))
            return from + qCountTrailingZeroBits(unsigned(found)) / 2;
    }
#endif
    for (; from < end; ++from) {
        if (*from == u'#')
            return from;
    }
    return nullptr;
}

QString twoDigits(int n)
{
    return QString(QChar(u'0' + n / 10)) + QChar(u'0' + n % 10);
}

} // namespace

QString GetTagValue(const TagContext &context, const QString &tag, bool stripMarkers,
                    TagResolution *resolution)
{
    if (resolution)
        *resolution = {};
    TagAnswer answer = tagAnswer(context, NameText(tag, stripMarkers), resolution);
    switch (answer.kind) {
    case TagAnswer::Kind::Tag:
        return tag;
    case TagAnswer::Kind::Text:
        return std::move(answer.text);
    case TagAnswer::Kind::Value:
        break;
    }
    return answer.value.toQString();
}

namespace {

/// A filled line as it grows: on the stack up to a long line's length.
/// Appending is inline, since a tag appends two or three pieces.
class LineOutput
{
public:
    LineOutput() = default;
    LineOutput(const LineOutput &) = delete;
    LineOutput &operator=(const LineOutput &) = delete;

    void append(const char16_t *text, qsizetype length)
    {
        if (length > m_capacity - m_size)
            grow(length);
        std::char_traits<char16_t>::copy(m_data + m_size, text, std::size_t(length));
        m_size += length;
    }
    const char16_t *constData() const noexcept { return m_data; }
    qsizetype size() const noexcept { return m_size; }

private:
    static constexpr qsizetype kInlineCapacity = 1024;

    Q_NEVER_INLINE void grow(qsizetype length)
    {
        const qsizetype capacity = std::max(m_capacity * 2, m_size + length);
        std::unique_ptr<char16_t[]> heap(new char16_t[std::size_t(capacity)]);
        std::char_traits<char16_t>::copy(heap.get(), m_data, std::size_t(m_size));
        m_heap = std::move(heap);
        m_data = m_heap.get();
        m_capacity = capacity;
    }

    char16_t m_inline[kInlineCapacity];
    std::unique_ptr<char16_t[]> m_heap;
    char16_t *m_data = m_inline;
    qsizetype m_size = 0;
    qsizetype m_capacity = kInlineCapacity;
};

/// Replaces every complete tag of `line` by what appendValue(tag, output)
/// appends; leaves `line` untouched when it throws.
template<typename AppendValue> void fillTags(QString &line, AppendValue &&appendValue)
{
    const auto *const begin = reinterpret_cast<const char16_t *>(line.constData());
    const char16_t *const end = begin + line.size();
    auto marker = [end](const char16_t *from) { return findMarker(from, end); };
    const char16_t *opening = marker(begin);
    if (!opening)
        return;
    const char16_t *closing = marker(opening + 1);
    if (!closing)
        return;

    // Built on the stack and copied out once: cheaper than growing a QString
    // piece by piece, and `line` stays as it was should a lookup throw.
    LineOutput output;
    const char16_t *position = begin;
    for (;;) {
        output.append(position, opening - position);
        appendValue(QStringView(opening, closing + 1), output);
        position = closing + 1;
        opening = marker(position);
        closing = opening ? marker(opening + 1) : nullptr;
        if (!closing) {
            output.append(position, end - position);
            break;
        }
    }
    // Filled lines are seldom longer than the template's, so the line's own
    // buffer nearly always takes the result without a new allocation.
    line.resize(output.size());
    std::char_traits<char16_t>::copy(reinterpret_cast<char16_t *>(line.data()), output.constData(),
                                     output.size());
}

void appendText(LineOutput &output, QStringView text)
{
    if (!text.isEmpty())
        output.append(text.utf16(), text.size());
}

} // namespace

void FillTemplateLine(QString &line, const std::function<QString(const QString &tag)> &tagValue)
{
    // Reusing one buffer for the tag saves an allocation per tag.
    QString tag;
    fillTags(line, [&](QStringView whole, LineOutput &output) {
        if (tag.size() != whole.size())
            tag.resize(whole.size());
        std::char_traits<char16_t>::copy(reinterpret_cast<char16_t *>(tag.data()), whole.utf16(),
                                         whole.size());
        appendText(output, tagValue(tag));
    });
}

void FillTemplateLine(QString &line, const TagContext &context)
{
    fillTags(line, [&context](QStringView whole, LineOutput &output) {
        const TagAnswer answer = tagAnswer(context, NameText(whole, true), nullptr);
        switch (answer.kind) {
        case TagAnswer::Kind::Tag:
            appendText(output, whole);
            break;
        case TagAnswer::Kind::Text:
            appendText(output, answer.text);
            break;
        case TagAnswer::Kind::Value:
            appendText(output, QStringView(answer.value.get(), SysStringLen(answer.value.get())));
            break;
        }
    });
}

void ReplaceNoCase(QString &text, const QString &find, const QString &replacement)
{
    if (find.isEmpty())
        return;
    qsizetype match = text.indexOf(find, 0, Qt::CaseInsensitive);
    if (match < 0)
        return;
    QString result;
    qsizetype position = 0;
    do {
        result.append(text.constData() + position, match - position);
        result += replacement;
        position = match + find.size();
        match = text.indexOf(find, position, Qt::CaseInsensitive);
    } while (match >= 0);
    result.append(text.constData() + position, text.size() - position);
    if (!result.isEmpty())
        text = std::move(result);
}

std::int32_t enumerationNumber(const QString &valueText)
{
    const QChar *p = valueText.constData();
    const QChar *const end = p + valueText.size();
    auto isBlank = [](QChar c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; };
    auto skipBlanks = [&] {
        while (p < end && isBlank(*p))
            ++p;
    };
    auto digitAt = [&]() -> int {
        const char16_t c = p->unicode();
        return c >= u'0' && c <= u'9' ? c - u'0' : -1;
    };

    skipBlanks();
    bool negative = false;
    if (p < end && (*p == u'-' || *p == u'+')) {
        negative = *p == u'-';
        ++p;
    }

    // Anything beyond 10^12 is out of range whatever follows, so the
    // magnitude stops growing there instead of overflowing.
    constexpr std::uint64_t tooLarge = 1'000'000'000'000ULL;
    std::uint64_t magnitude = 0;
    bool huge = false;
    for (skipBlanks(); p < end; ++p, skipBlanks()) {
        const int digit = digitAt();
        if (digit < 0)
            break;
        if (magnitude >= tooLarge)
            huge = true;
        else
            magnitude = magnitude * 10 + digit;
    }

    // Rounding needs only the first fraction digit and whether any later one
    // is non-zero; that keeps it exact for every length of fraction.
    int firstFraction = 0;
    bool laterNonZero = false;
    if (p < end && *p == u'.') {
        ++p;
        bool first = true;
        for (skipBlanks(); p < end; ++p, skipBlanks()) {
            const int digit = digitAt();
            if (digit < 0)
                break;
            if (first)
                firstFraction = digit;
            else if (digit != 0)
                laterNonZero = true;
            first = false;
        }
    }
    if (firstFraction > 5 || (firstFraction == 5 && (laterNonZero || magnitude % 2 == 1)))
        ++magnitude;

    const std::uint64_t limit = negative ? 2147483648ULL : 2147483647ULL;
    if (huge || magnitude > limit)
        throw ComError(DISP_E_OVERFLOW);
    return negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude))
                    : static_cast<std::int32_t>(magnitude);
}

QString formatTagDate(const QDateTime &when)
{
    const QDate date = when.date();
    return QString::number(date.day()) + u'.' + UserLocale::shortMonthName(date.month()) + u' ' +
           QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0'));
}

QString formatTagTime(const QDateTime &when)
{
    const QTime time = when.time();
    const QString separator = UserLocale::timeSeparator();
    return twoDigits(time.hour()) + separator + twoDigits(time.minute()) + separator +
           twoDigits(time.second());
}

namespace PrintFileHost {

DefinedValue definedValue(AppItemManager *itemManager, BSTR name, std::int32_t itemHandle, QString value)
{
    const HostAccess::ObjectDefinition definition = HostAccess::objectDefinition(itemManager, name);
    if (!definition.found)
        return {false, std::move(value)};
    if (isEnumeration(definition, true))
        value = enumerationText(itemManager, definition, itemHandle, value, nullptr);
    return {true, std::move(value)};
}

} // namespace PrintFileHost
