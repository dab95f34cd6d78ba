#include "e2e_support.h"

#include "hostsim/emulator/printable.h"

namespace e2e {

using emulator::BoxRecord;
using emulator::Quoted;
using emulator::Widen;

namespace {

std::string ButtonList(const BoxRecord& box) {
    std::string names;
    for (int id : box.buttons) {
        if (!names.empty()) names += ' ';
        names += emulator::ButtonName(id);
    }
    return names.empty() ? "none" : names;
}

using EDataMap = std::map<hostsim::Document::EDataKey, std::vector<unsigned char>>;

// The key type orders but does not compare; two keys are equal when neither orders first.
bool SameEData(const EDataMap& a, const EDataMap& b) {
    if (a.size() != b.size()) return false;
    for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j)
        if (i->first < j->first || j->first < i->first || i->second != j->second) return false;
    return true;
}

}  // namespace

void ExpectErrorBox(emulator::Session& session, const std::string& caption,
                    const std::string& text) {
    emulator::Checks& checks = session.checks;
    const auto& boxes = session.boxes.Boxes();
    checks.ExpectEqual("one message box shown", static_cast<int64_t>(boxes.size()), 1);
    if (boxes.empty()) return;
    const BoxRecord& box = boxes.front();
    checks.ExpectEqual("box caption", box.caption, Widen(caption));
    checks.ExpectEqual("box text", box.text, Widen(text));
    bool okOnly = box.buttons.size() == 1 && box.buttons.front() == IDOK;
    checks.Expect(okOnly, "box buttons are OK only", ButtonList(box));
    checks.Expect(box.icon == emulator::BoxIcon::kError, "box icon is the error icon",
                  emulator::BoxIconName(box.icon));
    checks.Expect(box.owner == session.hostWindow, "box owner is the host window",
                  emulator::Hex(reinterpret_cast<uintptr_t>(box.owner), 8) + " (host " +
                      emulator::Hex(reinterpret_cast<uintptr_t>(session.hostWindow), 8) + ")");
    checks.Expect(box.modalToOwner, "box is modal: the host window is disabled while it is up",
                  box.modalToOwner ? "disabled" : "enabled");
}

void ExpectNoBox(emulator::Session& session) {
    const auto& boxes = session.boxes.Boxes();
    std::string seen = std::to_string(boxes.size());
    if (!boxes.empty()) seen += ", first " + Quoted(boxes.front().text);
    session.checks.Expect(boxes.empty(), "no message box shown", seen);
}

void ExpectCreateStatus(emulator::Session& session, int expected, const std::string& when) {
    session.checks.ExpectEqual("menu status of CREATE " + when,
                               session.plugin.GetMenuStatus(kCreate), expected);
}

DocumentState Snapshot(const hostsim::Document& document) {
    return {hostsim::PrintScore(document, 1, document.StaffCount(), 1, document.MeasureCount()),
            document.EData()};
}

void ExpectUnchanged(emulator::Session& session, const hostsim::Document& document,
                     const DocumentState& before, const std::string& when) {
    DocumentState now = Snapshot(document);
    bool same = now.score == before.score && SameEData(now.edata, before.edata);
    session.checks.Expect(same, "document " + std::to_string(document.Id()) + " unchanged " + when,
                          same ? "same score and extended data"
                               : "score now:\n" + now.score + "extended data records: " +
                                     std::to_string(now.edata.size()) + " (before " +
                                     std::to_string(before.edata.size()) + ")");
}

hostsim::Document& AddPlainScore(hostsim::SimHost& sim, int staves, int measures) {
    hostsim::Document& document = sim.AddDocument();
    document.SetMeasureCount(measures);
    for (int s = 1; s <= staves; ++s) {
        int slot = document.AddStaff(static_cast<int16_t>(s));
        int instrument = document.SlotToInstrument(slot);
        for (int m = 1; m <= measures; ++m)
            hostsim::WriteMeasure(document, instrument, m, 0, "C4+E4/4 D4+F4/4 E4+G4/4 F4+A4/4");
    }
    return document;
}

}  // namespace e2e
