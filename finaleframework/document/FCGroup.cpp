#include "finaleframework/document/FCGroup.h"

#include "finaleframework/core/FCString.h"
#include "finaleframework/document/FCRawText.h"
#include "finaleframework/document/FCTextBlock.h"

FCString* FCGroup::_CreateNameString(twobyte block) {
    FCTextBlock textBlock;
    textBlock.Load(static_cast<utwobyte>(block));
    if (textBlock._GetDataSize() <= 0) return new FCString;
    return textBlock.CreateRawTextString();
}

bool FCGroup::_SaveNewNameBlock(FCString* text, twobyte* block) {
    if (!text) return false;
    FCRawText rawText;
    rawText.SetText(text);
    if (!rawText.SaveNew()) return false;

    FCTextBlock textBlock;
    textBlock.SetRawTextID(rawText.GetItemNo());
    textBlock.SetTextKind(FCTextBlock::KIND_BLOCK);
    if (!textBlock.SaveNew()) return false;
    *block = static_cast<twobyte>(textBlock.GetItemNo());
    return true;
}

FCString* FCGroup::CreateFullNameString() {
    return _CreateNameString(_fullnameblock);
}

FCString* FCGroup::CreateAbbreviatedNameString() {
    return _CreateNameString(_abbrevnameblock);
}

FCString* FCGroup::CreateTrimmedFullNameString() {
    FCString* name = CreateFullNameString();
    name->TrimEnigmaFontTags();
    return name;
}

bool FCGroup::SaveNewFullNameBlock(FCString* text) {
    return _SaveNewNameBlock(text, &_fullnameblock);
}

bool FCGroup::SaveNewAbbreviatedNameBlock(FCString* text) {
    return _SaveNewNameBlock(text, &_abbrevnameblock);
}
