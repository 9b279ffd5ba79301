#include "framework/core/Document.h"

#include <algorithm>

#include "framework/core/Archive.h"
#include "framework/core/CommandIds.h"
#include "framework/core/MessageBox.h"
#include "framework/core/Strings.h"
#include "platform/Paths.h"

namespace fw {

View::~View() {
    if (m_document) m_document->RemoveView(this);
}

Document::Document() { MapCommand(ID_FILE_CLOSE, [this] { OnFileClose(); }); }

void View::OnUpdate(View*, intptr_t) {}

Document::~Document() {
    const std::vector<View*> views = m_views;
    m_views.clear();
    for (View* v : views) {
        v->m_document = nullptr;
        v->OnDocumentDetached();
    }
}

Document::StepScope::StepScope(Document* doc) : m_doc(doc) {
    if (m_doc) ++m_doc->m_steps;
}

Document::StepScope::~StepScope() {
    if (!m_doc || --m_doc->m_steps > 0 || !m_doc->m_closeDeferred) return;
    m_doc->m_closeDeferred = false;
    if (DocTemplate* t = m_doc->m_template) t->CloseDocument(m_doc);  // may delete the document
}

void Document::OnFileClose() {
    if (!SaveModified()) return;
    OnCloseDocument();
}

namespace {

RecentFileSink& CurrentRecentFileSink() {
    static RecentFileSink sink;
    return sink;
}

}  // namespace

RecentFileSink SetRecentFileSink(RecentFileSink sink) {
    RecentFileSink previous = std::move(CurrentRecentFileSink());
    CurrentRecentFileSink() = std::move(sink);
    return previous;
}

void Document::SetPathName(const std::string& path, bool addToRecentFiles) {
    m_path = path;
    m_title = platform::BaseName(path);
    if (addToRecentFiles && !path.empty())
        if (const RecentFileSink& sink = CurrentRecentFileSink()) sink(path);
}

void Document::AddView(View* view) {
    if (!view || view->m_document == this) return;
    if (view->m_document) view->m_document->RemoveView(view);
    m_views.push_back(view);
    view->m_document = this;
}

void Document::RemoveView(View* view) {
    auto it = std::find(m_views.begin(), m_views.end(), view);
    if (it == m_views.end()) return;
    m_views.erase(it);
    view->m_document = nullptr;
    view->OnDocumentDetached();
}

void Document::UpdateAllViews(View* sender, intptr_t hint) {
    // A view may close others while it updates: walk a copy, skipping the gone.
    const std::vector<View*> views = m_views;
    for (View* v : views) {
        if (v == sender || std::find(m_views.begin(), m_views.end(), v) == m_views.end()) continue;
        v->OnUpdate(sender, hint);
    }
}

bool Document::OnNewDocument() {
    DeleteContents();
    m_path.clear();
    m_modified = false;
    return true;
}

bool Document::OnOpenDocument(const std::string& path) {
    std::string contents;
    platform::ReadRefusal why = platform::ReadRefusal::kNone;
    platform::ErrorCode err = platform::ReadWholeFile(path, contents, MaxFileBytes(), &why);
    if (err) {
        FileException e(err, why);
        ReportSaveLoadException(path, &e, false, kIdsFailedToOpenDoc);
        return false;
    }
    DeleteContents();
    m_modified = true;  // while half-read
    try {
        if (!contents.empty()) {
            Archive ar(contents);
            Serialize(ar);
        }
    } catch (const Exception& e) {
        DeleteContents();
        ReportSaveLoadException(path, &e, false, kIdsFailedToOpenDoc);
        return false;
    } catch (const std::bad_alloc&) {
        DeleteContents();
        MemoryException e;
        ReportSaveLoadException(path, &e, false, kIdsFailedToOpenDoc);
        return false;
    }
    m_modified = false;
    return true;
}

bool Document::OnSaveDocument(const std::string& path) {
    try {
        Archive ar;
        Serialize(ar);
        platform::ErrorCode err = platform::WriteFileAtomic(path, ar.Bytes());
        if (err) throw FileException(err);
    } catch (const Exception& e) {
        ReportSaveLoadException(path, &e, true, kIdsFailedToSaveDoc);
        return false;
    } catch (const std::bad_alloc&) {
        MemoryException e;
        ReportSaveLoadException(path, &e, true, kIdsFailedToSaveDoc);
        return false;
    }
    m_modified = false;
    return true;
}

void Document::OnCloseDocument() {
    if (m_template) {
        m_template->CloseDocument(this);  // deletes this
        return;
    }
    DeleteContents();
}

bool Document::SaveModified() {
    if (!m_modified) return true;
    std::string name = m_title.empty() ? platform::BaseName(m_path) : m_title;
    switch (ShowMessage(FormatString1(kIdsAskToSave, name), MB_YESNOCANCEL | MB_ICONEXCLAMATION)) {
        case IDYES:
            return !m_path.empty() && OnSaveDocument(m_path);
        case IDNO:
            return true;
        default:
            return false;
    }
}

std::string Document::SaveLoadMessage(const std::string& path, const Exception* e, bool saving,
                                       UINT defaultId) {
    std::string prompt = e ? e->Message() : std::string();
    if (prompt.empty()) prompt = FormatString1(defaultId, platform::BaseName(path));
    const auto* file = dynamic_cast<const FileException*>(e);
    if (!file) return prompt;
    // A file that could not be written: the cause, so that the operator
    // knows whether another name, another folder or more space will help.
    if (saving) {
        if (UINT cause = WriteFailureCause(file->GetCode())) prompt += "\n\n" + LoadString(cause);
    } else if (UINT cause = ReadFailureCause(file->GetReadRefusal())) {
        // A file not read: which file (the whole path: a link, a folder) and why.
        prompt += "\n\n" + FormatString1(cause, path);
    }
    return prompt;
}

void Document::ReportSaveLoadException(const std::string& path, const Exception* e, bool saving,
                                       UINT defaultId) {
    ShowMessage(SaveLoadMessage(path, e, saving, defaultId), MB_ICONEXCLAMATION);
}

DocTemplate::DocTemplate(UINT resourceId, std::function<std::unique_ptr<Document>()> makeDocument,
                         FrameFactory* frames)
    : m_resourceId(resourceId), m_makeDocument(std::move(makeDocument)), m_frames(frames) {
    std::string all = LoadString(resourceId);
    size_t start = 0;
    for (;;) {
        size_t nl = all.find('\n', start);
        m_docStrings.push_back(all.substr(start, nl == std::string::npos ? std::string::npos : nl - start));
        if (nl == std::string::npos) break;
        start = nl + 1;
    }
}

DocTemplate::~DocTemplate() {
    // Documents go first: their views may still point at them.
    while (!m_documents.empty()) {
        if (m_frames) m_frames->CloseFrames(*m_documents.back());
        m_documents.pop_back();
    }
}

bool DocTemplate::GetDocString(std::string& out, DocStringIndex index) const {
    size_t i = static_cast<size_t>(index);
    if (i >= m_docStrings.size() || m_docStrings[i].empty()) return false;
    out = m_docStrings[i];
    return true;
}

bool DocTemplate::MatchesExtension(const std::string& path) const {
    std::string ext;
    return GetDocString(ext, kFilterExt) && platform::EqualsNoCase(platform::Extension(path), ext);
}

Document* DocTemplate::OpenDocumentFile(const char* path, bool visible) {
    std::unique_ptr<Document> owned = m_makeDocument ? m_makeDocument() : nullptr;
    if (!owned) return nullptr;
    Document* doc = owned.get();
    doc->m_template = this;
    m_documents.push_back(std::move(owned));
    bool ok = path ? doc->OnOpenDocument(path) : doc->OnNewDocument();
    // A hidden open (a batch export, a comparison, a preview) is no choice of
    // the user's: it makes no window and leaves the recent files alone.
    if (ok && path) doc->SetPathName(path, visible);
    if (ok && m_frames && visible) ok = m_frames->CreateFrame(*this, *doc, visible);
    if (!ok) {
        CloseDocument(doc);
        return nullptr;
    }
    return doc;
}

bool DocTemplate::CreateFrame(Document& doc, bool visible) {
    return m_frames && m_frames->CreateFrame(*this, doc, visible);
}

Document* DocTemplate::FindDocument(const std::string& path) const {
    for (const auto& d : m_documents)
        if (d->GetPathName() == path) return d.get();
    return nullptr;
}

void DocTemplate::CloseDocument(Document* doc) {
    auto it = std::find_if(m_documents.begin(), m_documents.end(),
                           [doc](const std::unique_ptr<Document>& d) { return d.get() == doc; });
    if (it == m_documents.end()) return;
    if (doc->m_steps > 0) {
        // A step of one of its views is under way: closed when it returns.
        doc->m_closeDeferred = true;
        return;
    }
    if (m_frames) m_frames->CloseFrames(*doc);
    doc->DeleteContents();
    std::unique_ptr<Document> dying = std::move(*it);
    m_documents.erase(it);
}

}  // namespace fw
