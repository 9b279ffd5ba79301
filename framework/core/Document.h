#pragma once
// Documents and templates without windows. A document has a path, a title, a
// modified flag and the views attached to it, and follows the framework's
// new / open / save / close protocol; a template makes documents and asks a
// frame factory (framework/ui, or a test double) for their windows.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/Command.h"
#include "framework/core/Exceptions.h"
#include "framework/core/Object.h"
#include "framework/core/WindowPost.h"

namespace fw {

class Archive;
class DocTemplate;
class Document;

// The document side of a view: the window part belongs to framework/ui.
class View : public CommandTarget {
public:
    ~View() override;
    Document* GetDocument() const { return m_document; }
    WindowId GetWindow() const { return m_window; }
    void SetWindow(WindowId window) { m_window = window; }
    // Called when the view is taken off its document (the document closes or
    // goes): a view that holds on to its document lets go here.
    virtual void OnDocumentDetached() {}
    // The document changed (UpdateAllViews); sender is the view that
    // changed it, or null. The default does nothing; window views repaint.
    virtual void OnUpdate(View* sender, intptr_t hint);

private:
    friend class Document;
    Document* m_document = nullptr;
    WindowId m_window = kNoWindow;
};

class Document : public Object, public CommandTarget {
public:
    // Maps File Close (ID_FILE_CLOSE): SaveModified, then OnCloseDocument.
    Document();
    ~Document() override;
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    const std::string& GetPathName() const { return m_path; }
    // Sets the path and takes the title from its file name; the path goes to
    // the recently used files unless addToRecentFiles is false.
    virtual void SetPathName(const std::string& path, bool addToRecentFiles = true);
    const std::string& GetTitle() const { return m_title; }
    void SetTitle(const std::string& title) { m_title = title; }
    bool IsModified() const { return m_modified; }
    void SetModifiedFlag(bool modified = true) { m_modified = modified; }
    DocTemplate* GetDocTemplate() const { return m_template; }

    void AddView(View* view);
    void RemoveView(View* view);
    const std::vector<View*>& GetViews() const { return m_views; }
    // OnUpdate of every view but sender, in the order they were added.
    void UpdateAllViews(View* sender, intptr_t hint = 0);

    virtual bool OnNewDocument();
    // Reads the file through Serialize; an empty file reads nothing. Only a
    // regular file of at most MaxFileBytes is read (platform::ReadWholeFile).
    virtual bool OnOpenDocument(const std::string& path);
    // The largest file this kind of document reads: a bound well above any
    // file of its kind, so that nothing else is read into memory whole.
    virtual uint64_t MaxFileBytes() const { return kDefaultMaxFileBytes; }
    static constexpr uint64_t kDefaultMaxFileBytes = uint64_t{64} << 20;
    // Writes the file through Serialize, atomically: a failed save leaves
    // the previous file as it was.
    virtual bool OnSaveDocument(const std::string& path);
    // Closes the document's windows; a document of a template is then deleted.
    virtual void OnCloseDocument();
    // Asked before the document closes; false keeps it open.
    virtual bool SaveModified();
    // Shows SaveLoadMessage in an exclamation box.
    virtual void ReportSaveLoadException(const std::string& path, const Exception* e, bool saving,
                                         UINT defaultId);
    // e's own message or, without one, string defaultId with %1 the title of
    // path; for a file error, then the cause: why the file could not be
    // written, or why it was not read (naming the file).
    static std::string SaveLoadMessage(const std::string& path, const Exception* e, bool saving,
                                       UINT defaultId);
    virtual void DeleteContents() {}
    // File Close: asks SaveModified, then closes through the overridable
    // OnCloseDocument (which may delete this).
    void OnFileClose();

    // Held by a view around a step that may open a modal box (whose nested
    // loop delivers posted messages, a File Close among them): while one is
    // held, the template's close of this document only marks it, and the
    // close runs when the last one is let go, after the step has returned.
    // Nothing the step's box delivers can delete the document, its views or
    // what they own under the step. The releasing scope may delete the
    // document: its holder touches nothing of it afterwards.
    class StepScope {
    public:
        explicit StepScope(Document* doc);
        ~StepScope();
        StepScope(const StepScope&) = delete;
        StepScope& operator=(const StepScope&) = delete;

    private:
        Document* m_doc;
    };
    bool IsInStep() const { return m_steps > 0; }
    bool IsCloseDeferred() const { return m_closeDeferred; }

    // The framework's ask-to-save text.
    static constexpr UINT kIdsAskToSave = 61444;

private:
    friend class DocTemplate;
    std::string m_path;
    std::string m_title;
    bool m_modified = false;
    DocTemplate* m_template = nullptr;
    std::vector<View*> m_views;
    int m_steps = 0;
    bool m_closeDeferred = false;
};

// Where SetPathName sends the paths it is asked to add to the recently used
// files: the application's list, once it has one. Returns the previous sink.
using RecentFileSink = std::function<void(const std::string& path)>;
RecentFileSink SetRecentFileSink(RecentFileSink sink);

// Makes the windows a template opens. framework/ui supplies the real one.
class FrameFactory {
public:
    virtual ~FrameFactory() = default;
    // Creates a frame with its view on doc and attaches the view; false when
    // the window cannot be made.
    virtual bool CreateFrame(DocTemplate& tmpl, Document& doc, bool visible) = 0;
    // Closes every frame of doc, detaching its views.
    virtual void CloseFrames(Document& doc) = 0;
};

class DocTemplate {
public:
    enum DocStringIndex {
        kWindowTitle,
        kDocName,
        kFileNewName,
        kFilterName,
        kFilterExt,
        kRegFileTypeId,
        kRegFileTypeName,
    };

    // The document strings are the string of resourceId, seven fields
    // separated by "\n".
    DocTemplate(UINT resourceId, std::function<std::unique_ptr<Document>()> makeDocument,
                FrameFactory* frames);
    ~DocTemplate();
    DocTemplate(const DocTemplate&) = delete;
    DocTemplate& operator=(const DocTemplate&) = delete;

    UINT GetResourceId() const { return m_resourceId; }
    bool GetDocString(std::string& out, DocStringIndex index) const;
    // Whether path ends with the filter extension; case does not count, so
    // that "T1.ryx" and "T1.RYX" are one kind of file.
    bool MatchesExtension(const std::string& path) const;

    // path null: a new document (OnNewDocument), else the file. Frames come
    // from the factory; null when anything fails (reported by the document).
    // Hidden (visible false): no frame, and the path stays off the recent files.
    Document* OpenDocumentFile(const char* path, bool visible = true);
    // A frame with a view on a document already open (a second window).
    bool CreateFrame(Document& doc, bool visible = true);
    // An open document of exactly this path, or null.
    Document* FindDocument(const std::string& path) const;
    const std::vector<std::unique_ptr<Document>>& GetDocuments() const { return m_documents; }
    // Closes doc's windows and deletes it; while a step of one of its views
    // is on the stack (Document::StepScope), once that step has returned.
    void CloseDocument(Document* doc);

private:
    UINT m_resourceId;
    std::vector<std::string> m_docStrings;
    std::function<std::unique_ptr<Document>()> m_makeDocument;
    FrameFactory* m_frames;
    std::vector<std::unique_ptr<Document>> m_documents;
};

}  // namespace fw
