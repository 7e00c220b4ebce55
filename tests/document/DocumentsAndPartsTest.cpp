#include "finaleframework/core/FCIteratorHandler.h"
#include "finaleframework/document/FCDocuments.h"
#include "finaleframework/document/FCPart.h"
#include "finalepdk/FinaleBinding.h"
#include "support/HostFixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

/// A handler that runs a function for each visited element.
class Visit : public FCIteratorHandler {
public:
    explicit Visit(std::function<bool(__FCBase*)> body) : body_(std::move(body)) {}
    bool Iterate(__FCBase* element) override { return body_(element); }

private:
    std::function<bool(__FCBase*)> body_;
};

class DocumentsAndPartsTest : public testing_support::HostTest {
protected:
    void SetUp() override {
        first_ = NewDocument("/a.musx").Staves(1).Measures(1).Built().number;
        second_ = NewDocument("/b.musx").Staves(1).Measures(1).Built().number;
        third_ = NewDocument("/c.musx").Staves(1).Measures(1).Built().number;
        Host().SetCurrent(second_);
        documents.LoadAll();
    }
    /// Gives the current document parts 3 and 5, makes 5 current and lists the parts.
    host::Document& AddParts() {
        host::Document& document = *Host().Current();
        host::DocumentBuilder(document).Part(3, "Flute").Part(5, "Oboe");
        document.currentPart = 5;
        parts.LoadAll();
        return document;
    }
    twobyte first_ = 0, second_ = 0, third_ = 0;
    FCDocuments documents;
    FCParts parts;
};

} // namespace

TEST_F(DocumentsAndPartsTest, DocumentsAreListedInHostOrder) {
    ASSERT_EQ(documents.GetCount(), 3);
    EXPECT_EQ(documents.GetItemAt(0)->GetID(), first_);
    EXPECT_EQ(documents.GetItemAt(2)->GetID(), third_);
    EXPECT_STREQ(documents.GetItemAt(2)->GetPath(), "/c.musx");
    documents.LoadAll(); // a second load replaces the list
    EXPECT_EQ(documents.GetCount(), 3);
}

TEST_F(DocumentsAndPartsTest, ForEachWithScopeMakesEachDocumentCurrentInItsOwnEdit) {
    std::vector<twobyte> currentDuringVisit;
    Visit visit([&](__FCBase*) {
        currentDuringVisit.push_back(FX_GetCurrentEnigmaDocument(FINALEPDK_VERSION));
        EXPECT_EQ(Host().OpenEdits(), 1u);
        return true;
    });
    EXPECT_EQ(documents.ForEachWithScope(&visit, "Renumber"), 3);
    EXPECT_EQ(currentDuringVisit, (std::vector<twobyte>{first_, second_, third_}));
    EXPECT_EQ(Host().Current()->number, second_);
    EXPECT_EQ(Host().CommittedEdits(),
              (std::vector<std::string>{"Renumber", "Renumber", "Renumber"}));
    EXPECT_EQ(documents.GetItemAt(0)->_GetSavedDocID(), 0);
}

TEST_F(DocumentsAndPartsTest, AFalseAnswerStopsAfterClosingTheEdit) {
    int calls = 0;
    Visit stop([&](__FCBase*) {
        ++calls;
        return false;
    });
    EXPECT_EQ(documents.ForEachWithScope(&stop, nullptr), 0);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(Host().OpenEdits(), 0u);
    EXPECT_EQ(Host().CommittedEdits(), (std::vector<std::string>{"Plug-in Edit"}));
    EXPECT_EQ(Host().Current()->number, second_);
}

TEST_F(DocumentsAndPartsTest, PartsStartWithTheScore) {
    parts.LoadAll();
    ASSERT_EQ(parts.GetCount(), 1);
    EXPECT_EQ(parts.GetItemAt(0)->GetID(), 0);

    host::DocumentBuilder(*Host().Current()).Part(3, "Flute").Part(5, "Oboe");
    parts.LoadAll();
    ASSERT_EQ(parts.GetCount(), 3);
    EXPECT_EQ(parts.GetItemAt(1)->GetID(), 3);
    EXPECT_EQ(parts.GetItemAt(2)->GetID(), 5);
    EXPECT_EQ(parts.GetItemAt(2)->GetDocumentID(), second_);
    EXPECT_TRUE(parts.GetItemAt(1)->IsIdentical(parts.GetItemAt(1)));
    EXPECT_FALSE(parts.GetItemAt(1)->IsIdentical(parts.GetItemAt(2)));
}

TEST_F(DocumentsAndPartsTest, PartNamesNeedARecentHost) {
    host::DocumentBuilder(*Host().Current()).Part(3, "Flute");
    parts.LoadAll();
    const EVERSION before = RunningFinaleVersion;
    SetFinaleFrameworkVersion(0x10FFFFFF);
    EXPECT_TRUE(parts.GetItemAt(1)->GetName()->IsEqual("Not available (due to a bug)"));
    SetFinaleFrameworkVersion(0x11000000);
    EXPECT_TRUE(parts.GetItemAt(1)->GetName()->IsEqual("Flute"));
    SetFinaleFrameworkVersion(before);
}

TEST_F(DocumentsAndPartsTest, ForEachWithScopeRestoresTheCurrentPart) {
    host::Document& document = AddParts();
    EXPECT_EQ(parts.GetCurrent(), parts.GetItemAt(2));

    std::vector<twobyte> seen;
    Visit visit([&](__FCBase* element) {
        seen.push_back(FX_GetCurrentPartID(FINALEPDK_VERSION));
        EXPECT_EQ(static_cast<FCPart*>(element)->GetID(), seen.back());
        return true;
    });
    EXPECT_EQ(parts.ForEachWithScope(&visit), 3);
    EXPECT_EQ(seen, (std::vector<twobyte>{0, 3, 5}));
    EXPECT_EQ(document.currentPart, 5);

    // Parts listed in another document are handed over without being made current.
    Host().SetCurrent(first_);
    seen.clear();
    Visit record([&](__FCBase*) {
        seen.push_back(FX_GetCurrentPartID(FINALEPDK_VERSION));
        return true;
    });
    EXPECT_EQ(parts.ForEachWithScope(&record), 3);
    EXPECT_EQ(seen, (std::vector<twobyte>{0, 0, 0}));
    EXPECT_EQ(Host().CountCalls("FX_SetCurrentPartID"), 6);
    EXPECT_EQ(parts.GetCurrent(), nullptr);
}

// A handler may list the collection anew during its call, destroying the element it was handed.
TEST_F(DocumentsAndPartsTest, AHandlerThatRelistsTheDocumentsLeavesTheWalkSound) {
    std::vector<twobyte> visited;
    std::vector<twobyte> savedDuringVisit;
    Visit relist([&](__FCBase* element) {
        visited.push_back(FX_GetCurrentEnigmaDocument(FINALEPDK_VERSION));
        savedDuringVisit.push_back(static_cast<FCDocument*>(element)->_GetSavedDocID());
        documents.LoadAll();
        return true;
    });
    EXPECT_EQ(documents.ForEachWithScope(&relist, "Relist"), 3);
    EXPECT_EQ(visited, (std::vector<twobyte>{first_, second_, third_}));
    EXPECT_EQ(savedDuringVisit, (std::vector<twobyte>{second_, second_, second_}))
        << "the document current before the walk is restored after every call";
    EXPECT_EQ(Host().Current()->number, second_);
    EXPECT_EQ(Host().OpenEdits(), 0u);
    for (int i = 0; i < documents.GetCount(); ++i)
        EXPECT_EQ(documents.GetItemAt(i)->_GetSavedDocID(), 0);
}

TEST_F(DocumentsAndPartsTest, AHandlerThatRelistsThePartsLeavesTheWalkSound) {
    host::Document& document = AddParts();
    std::vector<twobyte> visited;
    std::vector<twobyte> savedDuringVisit;
    Visit relist([&](__FCBase* element) {
        visited.push_back(FX_GetCurrentPartID(FINALEPDK_VERSION));
        savedDuringVisit.push_back(static_cast<FCPart*>(element)->_GetSavedPartID());
        parts.LoadAll();
        return true;
    });
    EXPECT_EQ(parts.ForEachWithScope(&relist), 3);
    EXPECT_EQ(visited, (std::vector<twobyte>{0, 3, 5}));
    EXPECT_EQ(savedDuringVisit, (std::vector<twobyte>{5, 5, 5}));
    EXPECT_EQ(document.currentPart, 5);
    for (int i = 0; i < parts.GetCount(); ++i)
        EXPECT_EQ(parts.GetItemAt(i)->_GetSavedPartID(), -1);
}

TEST_F(DocumentsAndPartsTest, WithoutAHandlerNothingReachesTheHost) {
    host::DocumentBuilder(*Host().Current()).Part(3, "Flute");
    parts.LoadAll();
    Host().ClearCalls();
    EXPECT_EQ(documents.ForEachWithScope(nullptr, "Nothing"), 0);
    EXPECT_EQ(parts.ForEachWithScope(nullptr), 0);
    EXPECT_TRUE(Host().Calls().empty());
    EXPECT_EQ(Host().Current()->number, second_);
    EXPECT_EQ(Host().OpenEdits(), 0u);
}
