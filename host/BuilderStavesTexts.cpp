// The builder's staves, clefs, texts and expressions.
#include "host/Builder.h"
#include "host/StaffRecords.h"
#include "host/TextRecords.h"

#include <algorithm>
#include <cstring>

namespace host {
namespace {

template <typename T> void Put(std::vector<unsigned char>& bytes, size_t offset, T value) {
    std::memcpy(bytes.data() + offset, &value, sizeof value);
}

} // namespace

DocumentBuilder& DocumentBuilder::StaffTransposition(twobyte staff, utwobyte word) {
    Put<utwobyte>(WriteStaffRecord(document_, staff), STAFF_TRANSPOSITION_OFFSET, word);
    return *this;
}

DocumentBuilder& DocumentBuilder::StaffFullName(twobyte staff, const std::string& text) {
    const twobyte number = std::max(NextFreeItem(document_, TAG_TEXTBLOCK),
                                    NextFreeItem(document_, TAG_RAWTEXT_BLOCK));
    WriteTextBlock(document_, number, text, false);
    Put<twobyte>(WriteStaffRecord(document_, staff), STAFF_FULLNAME_OFFSET, number);
    return *this;
}

DocumentBuilder& DocumentBuilder::StaffStyle(twobyte staff, twobyte startMeasure, fourbyte startPos,
                                             twobyte endMeasure, fourbyte endPos, utwobyte word) {
    document_.staffStyles.push_back(
        host::StaffStyle{staff, startMeasure, startPos, endMeasure, endPos, word});
    return *this;
}

DocumentBuilder& DocumentBuilder::Clef(twobyte staff, twobyte measure, twobyte clefIndex) {
    std::vector<unsigned char>& bytes = document_.records[WordKey(TAG_FRAME_HOLD, staff, measure)];
    if (bytes.size() < FRAME_HOLD_RECORD_SIZE) bytes.resize(FRAME_HOLD_RECORD_SIZE, 0);
    Put<twobyte>(bytes, 0, clefIndex);
    return *this;
}

DocumentBuilder& DocumentBuilder::ClefDef(twobyte index, twobyte middleCPos) {
    std::vector<unsigned char> bytes(CLEF_DEF_RECORD_SIZE, 0);
    Put<twobyte>(bytes, 0, middleCPos);
    document_.records[WordKey(TAG_CLEF_DEF, index)] = std::move(bytes);
    return *this;
}

DocumentBuilder& DocumentBuilder::StaffList(twobyte list, EXTAG tag,
                                            const std::vector<twobyte>& staves) {
    for (size_t i = 0; i < staves.size(); ++i) {
        std::vector<unsigned char> bytes(2, 0);
        Put<twobyte>(bytes, 0, staves[i]);
        document_.records[WordKey(tag, list, static_cast<twobyte>(i))] = std::move(bytes);
    }
    return *this;
}

DocumentBuilder& DocumentBuilder::TextBlock(twobyte number, const std::string& text,
                                            bool expressionText) {
    WriteTextBlock(document_, number, text, expressionText);
    return *this;
}

DocumentBuilder& DocumentBuilder::TextExpressionDef(twobyte number, twobyte textBlock,
                                                    twobyte rehearsalMarkStyle,
                                                    const std::string& description) {
    std::vector<unsigned char> bytes(TEXT_EXPRESSION_DEF_FIXED_SIZE, 0);
    Put<twobyte>(bytes, 0, textBlock);
    Put<twobyte>(bytes, 2, rehearsalMarkStyle);
    bytes.resize(34);
    bytes.insert(bytes.end(), description.begin(), description.end());
    bytes.push_back(0);
    if (bytes.size() < TEXT_EXPRESSION_DEF_FIXED_SIZE) bytes.resize(TEXT_EXPRESSION_DEF_FIXED_SIZE);
    document_.records[WordKey(TAG_TEXT_EXPRESSION_DEF, number)] = std::move(bytes);
    return *this;
}

DocumentBuilder& DocumentBuilder::Expression(twobyte measure, twobyte staff, twobyte definition,
                                             twobyte staffList) {
    std::vector<unsigned char> bytes(EXPRESSION_RECORD_SIZE, 0);
    Put<twobyte>(bytes, 0, definition);
    Put<twobyte>(bytes, 8, staff);
    Put<twobyte>(bytes, 14, staffList);
    const twobyte inci = CountIncis(document_, TAG_EXPRESSION, measure);
    document_.records[WordKey(TAG_EXPRESSION, measure, inci)] = std::move(bytes);
    return *this;
}

} // namespace host
