#include "framework/ui/PainterContext.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QPagedPaintDevice>
#include <QPaintDevice>
#include <QString>
#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace fw {

namespace {

QColor ToQColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

QString ToQString(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// "&&" is a literal ampersand; a single "&" marks the next character as the
// mnemonic and is not drawn.
std::string StripPrefix(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '&') {
            if (i + 1 < s.size() && s[i + 1] == '&') {
                out += '&';
                ++i;
            }
            continue;
        }
        out += s[i];
    }
    return out;
}

// Pixel size (em) of a font whose ascent plus descent is cellPx on the
// device: what a positive font height asks for. Searched once per face,
// style and size; the window thread is the only caller.
int PixelSizeForCell(const QFont& base, int cellPx, QPaintDevice* device) {
    using Key = std::tuple<QString, int, bool, int>;
    static std::map<Key, int> cache;
    const Key key{base.family(), base.weight(), base.italic(), cellPx};
    if (auto it = cache.find(key); it != cache.end()) return it->second;

    QFont f(base);
    f.setPixelSize(1000);
    const QFontMetricsF big(f, device);
    const double ratio = (big.ascent() + big.descent()) / 1000.0;
    int px = std::max(1, static_cast<int>(std::lround(cellPx / (ratio > 0 ? ratio : 1.0))));
    auto heightAt = [&](int size) {
        f.setPixelSize(size);
        const QFontMetrics m(f, device);
        return m.ascent() + m.descent();
    };
    // Integer metrics may round either way: settle on the largest size
    // whose cell does not exceed the request.
    for (int i = 0; i < 4 && px > 1 && heightAt(px) > cellPx; ++i) --px;
    for (int i = 0; i < 4 && heightAt(px + 1) <= cellPx; ++i) ++px;
    cache.emplace(key, px);
    return px;
}

}  // namespace

PainterContext::PainterContext() = default;

PainterContext::PainterContext(QPaintDevice& device) : m_ownPainter(std::make_unique<QPainter>(&device)) {
    m_painter = m_ownPainter.get();
    Init(&device);
}

PainterContext::PainterContext(QPainter& painter) : m_painter(&painter) { Init(painter.device()); }

PainterContext::~PainterContext() {
    if (m_painter && m_painter->isActive()) {
        while (!m_saved.empty()) {
            m_saved.pop_back();
            m_painter->restore();
        }
    }
}

void PainterContext::Begin(QImage& image) {
    m_ownPainter = std::make_unique<QPainter>(&image);
    m_painter = m_ownPainter.get();
    Init(&image);
}

void PainterContext::End() {
    m_saved.clear();
    if (m_ownPainter) m_ownPainter->end();
    m_image = nullptr;
}

void PainterContext::Init(QPaintDevice* device) {
    if (device) {
        m_printing = dynamic_cast<QPagedPaintDevice*>(device) != nullptr;
        m_image = device->devType() == QInternal::Image ? static_cast<QImage*>(device) : nullptr;
        m_dpiX = device->logicalDpiX() > 0 ? device->logicalDpiX() : 96;
        m_dpiY = device->logicalDpiY() > 0 ? device->logicalDpiY() : 96;
        m_widthPx = device->width();
        m_heightPx = device->height();
        m_widthMm = device->widthMM();
        m_heightMm = device->heightMM();
    }
    if (IsActive()) {
        m_painter->setRenderHint(QPainter::Antialiasing, false);
        m_painter->setRenderHint(QPainter::TextAntialiasing, true);
    }
    m_state.qfont = MakeQFont(m_state.font);
}

bool PainterContext::NewPage() {
    auto* paged = IsActive() ? dynamic_cast<QPagedPaintDevice*>(m_painter->device()) : nullptr;
    return paged && paged->newPage();
}

int PainterContext::GetDeviceCaps(int index) const {
    switch (index) {
        case HORZSIZE:
            return m_widthMm;
        case VERTSIZE:
            return m_heightMm;
        case HORZRES:
            return m_widthPx;
        case VERTRES:
            return m_heightPx;
        case LOGPIXELSX:
            return m_dpiX;
        case LOGPIXELSY:
            return m_dpiY;
        default:
            return 0;
    }
}

int PainterContext::SaveDC() {
    m_saved.push_back(m_state);
    if (IsActive()) m_painter->save();
    return static_cast<int>(m_saved.size());
}

bool PainterContext::RestoreDC(int level) {
    const int depth = static_cast<int>(m_saved.size());
    const int target = level < 0 ? depth + level : level - 1;  // depth left after restoring
    if (level == 0 || target < 0 || target >= depth) return false;
    while (static_cast<int>(m_saved.size()) > target) {
        m_state = m_saved.back();
        m_saved.pop_back();
        if (IsActive()) m_painter->restore();
    }
    return true;
}

int PainterContext::SetMapMode(int mode) {
    const int old = m_state.mapMode;
    if (mode >= MM_TEXT && mode <= MM_TWIPS) m_state.mapMode = mode;
    return old;
}

Point PainterContext::SetWindowOrg(Point origin) { return std::exchange(m_state.windowOrg, origin); }

Point PainterContext::SetViewportOrg(Point origin) { return std::exchange(m_state.viewportOrg, origin); }

double PainterContext::ScaleX() const {
    switch (m_state.mapMode) {
        case MM_LOMETRIC:
            return m_dpiX / 254.0;
        case MM_HIMETRIC:
            return m_dpiX / 2540.0;
        case MM_LOENGLISH:
            return m_dpiX / 100.0;
        case MM_HIENGLISH:
            return m_dpiX / 1000.0;
        case MM_TWIPS:
            return m_dpiX / 1440.0;
        default:
            return 1.0;
    }
}

double PainterContext::ScaleY() const {
    switch (m_state.mapMode) {
        case MM_LOMETRIC:
            return -m_dpiY / 254.0;
        case MM_HIMETRIC:
            return -m_dpiY / 2540.0;
        case MM_LOENGLISH:
            return -m_dpiY / 100.0;
        case MM_HIENGLISH:
            return -m_dpiY / 1000.0;
        case MM_TWIPS:
            return -m_dpiY / 1440.0;
        default:
            return 1.0;
    }
}

Point PainterContext::LPtoDP(Point p) const {
    return {static_cast<int>(std::lround((p.x - m_state.windowOrg.x) * ScaleX())) + m_state.viewportOrg.x,
            static_cast<int>(std::lround((p.y - m_state.windowOrg.y) * ScaleY())) + m_state.viewportOrg.y};
}

Point PainterContext::DPtoLP(Point p) const {
    return {static_cast<int>(std::lround((p.x - m_state.viewportOrg.x) / ScaleX())) + m_state.windowOrg.x,
            static_cast<int>(std::lround((p.y - m_state.viewportOrg.y) / ScaleY())) + m_state.windowOrg.y};
}

Size PainterContext::LPtoDP(Size s) const {
    return {static_cast<int>(std::lround(s.cx * std::fabs(ScaleX()))),
            static_cast<int>(std::lround(s.cy * std::fabs(ScaleY())))};
}

Size PainterContext::DPtoLP(Size s) const {
    return {static_cast<int>(std::lround(s.cx / std::fabs(ScaleX()))),
            static_cast<int>(std::lround(s.cy / std::fabs(ScaleY())))};
}

Rect PainterContext::LPtoDP(const Rect& r) const {
    const Point a = LPtoDP(Point{r.left, r.top});
    const Point b = LPtoDP(Point{r.right, r.bottom});
    return {a.x, a.y, b.x, b.y};
}

Rect PainterContext::DPtoLP(const Rect& r) const {
    const Point a = DPtoLP(Point{r.left, r.top});
    const Point b = DPtoLP(Point{r.right, r.bottom});
    return {a.x, a.y, b.x, b.y};
}

Size PainterContext::HIMETRICtoDP(Size s) const { return {MulDiv(s.cx, m_dpiX, 2540), MulDiv(s.cy, m_dpiY, 2540)}; }

Size PainterContext::DPtoHIMETRIC(Size s) const { return {MulDiv(s.cx, 2540, m_dpiX), MulDiv(s.cy, 2540, m_dpiY)}; }

QRect PainterContext::DeviceRect(const Rect& r) const {
    const Rect d = LPtoDP(r);
    const int x0 = std::min(d.left, d.right), x1 = std::max(d.left, d.right);
    const int y0 = std::min(d.top, d.bottom), y1 = std::max(d.top, d.bottom);
    return QRect(x0, y0, x1 - x0, y1 - y0);
}

Rect PainterContext::FromDevice(const QRect& d, const Rect& like) const {
    const Point a = DPtoLP(Point{d.x(), d.y()});
    const Point b = DPtoLP(Point{d.x() + d.width(), d.y() + d.height()});
    const auto [xlo, xhi] = std::minmax(a.x, b.x);
    const auto [ylo, yhi] = std::minmax(a.y, b.y);
    Rect r;
    r.left = like.left <= like.right ? xlo : xhi;
    r.right = like.left <= like.right ? xhi : xlo;
    r.top = like.top <= like.bottom ? ylo : yhi;
    r.bottom = like.top <= like.bottom ? yhi : ylo;
    return r;
}

int PainterContext::DefaultPixelSize() const { return MulDiv(10, m_dpiY, 72); }

QFont PainterContext::MakeQFont(const LogFont& lf) const {
    QFont f;
    if (!lf.lfFaceName.empty()) f.setFamily(QString::fromStdString(lf.lfFaceName));
    switch (lf.lfPitchAndFamily & 0xF0) {
        case FF_MODERN:
            f.setStyleHint(QFont::TypeWriter);
            break;
        case FF_ROMAN:
            f.setStyleHint(QFont::Serif);
            break;
        case FF_SWISS:
            f.setStyleHint(QFont::SansSerif);
            break;
        default:
            break;
    }
    if (lf.lfPitchAndFamily & FIXED_PITCH) f.setFixedPitch(true);
    f.setWeight(static_cast<QFont::Weight>(std::clamp(lf.lfWeight > 0 ? lf.lfWeight : 400, 1, 1000)));
    f.setItalic(lf.lfItalic);
    f.setUnderline(lf.lfUnderline);
    f.setStrikeOut(lf.lfStrikeOut);
    f.setKerning(false);
    const int devHeight = static_cast<int>(std::lround(std::abs(lf.lfHeight) * std::fabs(ScaleY())));
    if (lf.lfHeight == 0 || devHeight == 0) {
        f.setPixelSize(DefaultPixelSize());
    } else if (lf.lfHeight < 0) {
        f.setPixelSize(devHeight);
    } else {
        QPaintDevice* device = IsActive() ? m_painter->device() : nullptr;
        f.setPixelSize(PixelSizeForCell(f, devHeight, device));
    }
    return f;
}

LogFont PainterContext::SelectFont(const LogFont& font) {
    LogFont old = m_state.font;
    m_state.font = font;
    m_state.qfont = MakeQFont(font);
    return old;
}

void PainterContext::SelectPen(int style, int width, COLORREF colour) {
    m_state.penStyle = style;
    m_state.penWidth = width;
    m_state.penColour = colour;
}

void PainterContext::SelectSolidBrush(COLORREF colour) {
    m_state.hollowBrush = false;
    m_state.brushColour = colour;
}

void PainterContext::SelectHollowBrush() { m_state.hollowBrush = true; }

COLORREF PainterContext::SetTextColor(COLORREF colour) { return std::exchange(m_state.textColour, colour); }

COLORREF PainterContext::SetBkColor(COLORREF colour) { return std::exchange(m_state.bkColour, colour); }

int PainterContext::SetBkMode(int mode) {
    const int old = m_state.bkMode;
    if (mode == TRANSPARENT || mode == OPAQUE) m_state.bkMode = mode;
    return old;
}

unsigned PainterContext::SetTextAlign(unsigned align) { return std::exchange(m_state.textAlign, align); }

void PainterContext::IntersectClipRect(const Rect& r) {
    if (!IsActive()) return;
    m_painter->setClipRect(DeviceRect(r), m_painter->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
}

QPen PainterContext::MakePen() const {
    if (m_state.penStyle == PS_NULL) return QPen(Qt::NoPen);
    QPen pen(ToQColor(m_state.penColour));
    const int w = static_cast<int>(std::lround(m_state.penWidth * std::fabs(ScaleX())));
    pen.setWidth(w <= 1 ? 0 : w);
    switch (m_state.penStyle) {
        case PS_DASH:
            pen.setStyle(Qt::DashLine);
            break;
        case PS_DOT:
            pen.setStyle(Qt::DotLine);
            break;
        case PS_DASHDOT:
            pen.setStyle(Qt::DashDotLine);
            break;
        case PS_DASHDOTDOT:
            pen.setStyle(Qt::DashDotDotLine);
            break;
        default:
            pen.setStyle(Qt::SolidLine);
            break;
    }
    pen.setCapStyle(w > 1 ? Qt::RoundCap : Qt::FlatCap);
    pen.setJoinStyle(w > 1 ? Qt::RoundJoin : Qt::MiterJoin);
    return pen;
}

namespace {

// A face's proportions, measured once per face and style at 1000 pixels to
// the em: its cell height (ascent plus descent) and its average character
// width the way the desktop reports it for its core faces, the lowercase
// letters and the space weighted by their frequency in English text (the
// classic OS/2 table's definition). Qt reads the font's own table instead,
// which for the metric-compatible faces that stand in for the core faces
// here is up to a third wider, so that layouts measured in average widths
// would run off their page. The window thread is the only caller.
struct FaceProportions {
    double cellPerEm = 1.0;
    double averagePerEm = 0.5;
};

FaceProportions ProportionsOf(const QFont& font, QPaintDevice* device) {
    using Key = std::tuple<QString, int, bool>;
    static std::map<Key, FaceProportions> cache;
    const Key key{font.family(), font.weight(), font.italic()};
    if (auto it = cache.find(key); it != cache.end()) return it->second;
    static constexpr int kWeights[27] = {64, 14, 27, 35, 100, 20, 14, 42, 63, 3, 6,  35, 20, 56,
                                         56, 17, 4,  49, 56,  71, 31, 10, 18, 3, 18, 2,  166};
    QFont big(font);
    big.setPixelSize(1000);
    const QFontMetricsF m(big, device);
    double sum = 0;
    for (int i = 0; i < 26; ++i) sum += kWeights[i] * m.horizontalAdvance(QChar(u'a' + i));
    sum += kWeights[26] * m.horizontalAdvance(QChar(u' '));
    FaceProportions p;
    if (m.ascent() + m.descent() > 0) p.cellPerEm = (m.ascent() + m.descent()) / 1000.0;
    p.averagePerEm = sum / 1000.0 / 1000.0;
    cache.emplace(key, p);
    return p;
}

}  // namespace

// The average width is that of the face at the size the description asks
// for, rounded up to a whole pixel. The stand-in face is drawn at the
// largest whole pixel size within the requested height, which may be most
// of a pixel smaller than the em the desktop would scale its face to, and
// its hinted advances round to whole pixels: a layout measured in a
// rounded-down average of that smaller size (5 pixels instead of the 6 the
// label font asks for at 96 dpi) gives its labels and values less room than
// they take, and they run under the next cell or are cut.
int PainterContext::AverageCharWidth() const {
    QPaintDevice* device = IsActive() ? m_painter->device() : nullptr;
    const FaceProportions face = ProportionsOf(m_state.qfont, device);
    const LogFont& lf = m_state.font;
    const double devHeight = std::abs(lf.lfHeight) * std::fabs(ScaleY());
    double em = m_state.qfont.pixelSize();
    if (lf.lfHeight < 0 && devHeight >= 1) {
        em = devHeight;
    } else if (lf.lfHeight > 0 && devHeight >= 1) {
        em = devHeight / face.cellPerEm;
    }
    // Up to a twentieth of a pixel over a whole pixel stays that pixel: the
    // faces' tables keep their widths in whole font units, so that a fixed
    // pitch of 0.6 em reads 0.60009765625 em.
    return std::max(1, static_cast<int>(std::ceil(face.averagePerEm * em - 0.05)));
}

bool PainterContext::GetTextMetrics(TextMetric& tm) const {
    const QFontMetrics m(m_state.qfont, IsActive() ? m_painter->device() : nullptr);
    const auto toLogical = [&](int px) { return static_cast<int>(std::lround(px / std::fabs(ScaleY()))); };
    const auto toLogicalX = [&](int px) { return static_cast<int>(std::lround(px / std::fabs(ScaleX()))); };
    const int height = m.ascent() + m.descent();
    tm.tmHeight = toLogical(height);
    tm.tmAscent = toLogical(m.ascent());
    tm.tmDescent = toLogical(m.descent());
    tm.tmInternalLeading = toLogical(std::max(0, height - m_state.qfont.pixelSize()));
    tm.tmExternalLeading = toLogical(std::max(0, m.leading()));
    tm.tmAveCharWidth = toLogicalX(AverageCharWidth());
    tm.tmMaxCharWidth = toLogicalX(m.maxWidth());
    tm.tmWeight = m_state.font.lfWeight;
    tm.tmOverhang = 0;
    return true;
}

Size PainterContext::GetTextExtent(std::string_view text) const {
    const QFontMetrics m(m_state.qfont, IsActive() ? m_painter->device() : nullptr);
    return DPtoLP(Size{m.horizontalAdvance(ToQString(text)), m.ascent() + m.descent()});
}

bool PainterContext::TextOut(int x, int y, std::string_view text) {
    if (!IsActive()) return false;
    const QString s = ToQString(text);
    const QFontMetrics m(m_state.qfont, m_painter->device());
    const int width = m.horizontalAdvance(s);
    const Point p = LPtoDP(Point{x, y});
    // Offsets of the text box's top left from the reference point, in the
    // text's own (possibly rotated) frame.
    int dx = 0;
    int dy = 0;
    const unsigned h = m_state.textAlign & TA_CENTER;
    if (h == TA_CENTER) {
        dx = -width / 2;
    } else if (h == TA_RIGHT) {
        dx = -width;
    }
    const unsigned v = m_state.textAlign & TA_BASELINE;
    if (v == TA_BASELINE) {
        dy = -m.ascent();
    } else if (v == TA_BOTTOM) {
        dy = -(m.ascent() + m.descent());
    }
    m_painter->save();
    m_painter->setFont(m_state.qfont);
    m_painter->translate(p.x, p.y);
    if (m_state.font.lfEscapement != 0) m_painter->rotate(-m_state.font.lfEscapement / 10.0);
    if (m_state.bkMode == OPAQUE) {
        m_painter->fillRect(QRect(dx, dy, width, m.ascent() + m.descent()), ToQColor(m_state.bkColour));
    }
    m_painter->setPen(ToQColor(m_state.textColour));
    m_painter->drawText(QPoint(dx, dy + m.ascent()), s);
    m_painter->restore();
    return true;
}

int PainterContext::DrawText(std::string_view text, Rect& rect, unsigned format) {
    const std::string plain = (format & DT_NOPREFIX) ? std::string(text) : StripPrefix(text);
    QPaintDevice* device = IsActive() ? m_painter->device() : nullptr;
    const QFontMetrics m(m_state.qfont, device);
    int lineHeight = m.ascent() + m.descent();
    if (format & DT_EXTERNALLEADING) lineHeight += std::max(0, m.leading());
    const QRect box = DeviceRect(rect);
    const int tabWidth = 8 * std::max(1, m.averageCharWidth());

    auto widthOf = [&](const std::string& line) {
        if (!(format & DT_EXPANDTABS)) return m.horizontalAdvance(ToQString(line));
        int x = 0;
        size_t start = 0;
        for (;;) {
            const size_t tab = line.find('\t', start);
            x += m.horizontalAdvance(ToQString(std::string_view(line).substr(start, tab - start)));
            if (tab == std::string::npos) return x;
            x = (x / tabWidth + 1) * tabWidth;
            start = tab + 1;
        }
    };

    // Lines: one for DT_SINGLELINE; else split at line feeds and, with
    // DT_WORDBREAK, wrapped at blanks to the rectangle's width. A word
    // longer than the width stays whole (and is clipped).
    std::vector<std::string> lines;
    if (format & DT_SINGLELINE) {
        std::string one;
        for (char c : plain)
            if (c != '\r' && c != '\n') one += c;
        lines.push_back(std::move(one));
    } else {
        size_t start = 0;
        for (;;) {
            const size_t nl = plain.find('\n', start);
            std::string para = plain.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
            if (!para.empty() && para.back() == '\r') para.pop_back();
            if (!(format & DT_WORDBREAK)) {
                lines.push_back(std::move(para));
            } else {
                std::string line;
                size_t pos = 0;
                bool any = false;
                while (pos <= para.size()) {
                    const size_t sp = para.find(' ', pos);
                    const std::string word = para.substr(pos, sp == std::string::npos ? std::string::npos : sp - pos);
                    const std::string candidate = line.empty() && !any ? word : line + " " + word;
                    if (any && widthOf(candidate) > box.width()) {
                        lines.push_back(line);
                        line = word;
                    } else {
                        line = candidate;
                    }
                    any = true;
                    if (sp == std::string::npos) break;
                    pos = sp + 1;
                }
                lines.push_back(std::move(line));
            }
            if (nl == std::string::npos) break;
            start = nl + 1;
        }
    }
    if ((format & DT_END_ELLIPSIS) && !(format & DT_CALCRECT)) {
        for (auto& line : lines) {
            if (widthOf(line) > box.width())
                line = m.elidedText(ToQString(line), Qt::ElideRight, box.width()).toStdString();
        }
    }

    const int textHeight = lineHeight * static_cast<int>(lines.size());
    if (format & DT_CALCRECT) {
        int widest = 0;
        for (const auto& line : lines) widest = std::max(widest, widthOf(line));
        const Size logical = DPtoLP(Size{widest, textHeight});
        rect.right = rect.left + (ScaleX() < 0 ? -logical.cx : logical.cx);
        rect.bottom = rect.top + (ScaleY() < 0 ? -logical.cy : logical.cy);
        return logical.cy;
    }
    if (!IsActive()) return 0;

    int top = box.top();
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER) {
            top = box.top() + (box.height() - lineHeight) / 2;
        } else if (format & DT_BOTTOM) {
            top = box.top() + box.height() - lineHeight;
        }
    }
    m_painter->save();
    if (!(format & DT_NOCLIP)) {
        m_painter->setClipRect(box, m_painter->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    }
    m_painter->setFont(m_state.qfont);
    int y = top;
    for (const auto& line : lines) {
        const int w = widthOf(line);
        int x = box.left();
        if (format & DT_CENTER) {
            x = box.left() + (box.width() - w) / 2;
        } else if (format & DT_RIGHT) {
            x = box.left() + box.width() - w;
        }
        if (m_state.bkMode == OPAQUE) m_painter->fillRect(QRect(x, y, w, lineHeight), ToQColor(m_state.bkColour));
        m_painter->setPen(ToQColor(m_state.textColour));
        if (format & DT_EXPANDTABS) {
            int cx = 0;
            size_t start = 0;
            for (;;) {
                const size_t tab = line.find('\t', start);
                const QString part = ToQString(std::string_view(line).substr(start, tab - start));
                m_painter->drawText(QPoint(x + cx, y + m.ascent()), part);
                cx += m.horizontalAdvance(part);
                if (tab == std::string::npos) break;
                cx = (cx / tabWidth + 1) * tabWidth;
                start = tab + 1;
            }
        } else {
            m_painter->drawText(QPoint(x, y + m.ascent()), ToQString(line));
        }
        y += lineHeight;
    }
    m_painter->restore();
    return DPtoLP(Size{0, top - box.top() + textHeight}).cy;
}

Point PainterContext::MoveTo(int x, int y) { return std::exchange(m_state.current, Point{x, y}); }

bool PainterContext::LineTo(int x, int y) {
    if (!IsActive()) return false;
    const Point a = LPtoDP(m_state.current);
    const Point b = LPtoDP(Point{x, y});
    m_painter->setPen(MakePen());
    m_painter->drawLine(a.x, a.y, b.x, b.y);
    m_state.current = Point{x, y};
    return true;
}

bool PainterContext::Rectangle(int left, int top, int right, int bottom) {
    if (!IsActive()) return false;
    const QRect r = DeviceRect(Rect{left, top, right, bottom});
    if (r.isEmpty()) return true;
    if (!m_state.hollowBrush) m_painter->fillRect(r, ToQColor(m_state.brushColour));
    if (m_state.penStyle != PS_NULL) {
        m_painter->setPen(MakePen());
        m_painter->setBrush(Qt::NoBrush);
        m_painter->drawRect(r.x(), r.y(), r.width() - 1, r.height() - 1);
    }
    return true;
}

bool PainterContext::Ellipse(int left, int top, int right, int bottom) {
    if (!IsActive()) return false;
    const QRect r = DeviceRect(Rect{left, top, right, bottom});
    if (r.isEmpty()) return true;
    m_painter->setPen(MakePen());
    m_painter->setBrush(m_state.hollowBrush ? QBrush(Qt::NoBrush) : QBrush(ToQColor(m_state.brushColour)));
    m_painter->drawEllipse(QRect(r.x(), r.y(), r.width() - 1, r.height() - 1));
    return true;
}

void PainterContext::FillRect(const Rect& r, COLORREF colour) {
    if (!IsActive()) return;
    m_painter->fillRect(DeviceRect(r), ToQColor(colour));
}

bool PainterContext::DrawEdge(Rect& rect, unsigned edge, unsigned flags) {
    QRect r = DeviceRect(rect);
    const bool mono = flags & BF_MONO;
    const bool flat = flags & BF_FLAT;
    // One ring: bottom and right first, so that the top and left colours
    // own the corners they share.
    auto ring = [&](COLORREF topLeft, COLORREF bottomRight) {
        if (r.width() <= 0 || r.height() <= 0) return;
        const int x0 = r.left(), y0 = r.top();
        const int x1 = r.left() + r.width() - 1, y1 = r.top() + r.height() - 1;
        if (IsActive()) {
            if (flags & BF_BOTTOM) m_painter->fillRect(QRect(x0, y1, r.width(), 1), ToQColor(bottomRight));
            if (flags & BF_RIGHT) m_painter->fillRect(QRect(x1, y0, 1, r.height()), ToQColor(bottomRight));
            if (flags & BF_TOP) m_painter->fillRect(QRect(x0, y0, r.width(), 1), ToQColor(topLeft));
            if (flags & BF_LEFT) m_painter->fillRect(QRect(x0, y0, 1, r.height()), ToQColor(topLeft));
        }
        r.adjust(flags & BF_LEFT ? 1 : 0, flags & BF_TOP ? 1 : 0, flags & BF_RIGHT ? -1 : 0,
                 flags & BF_BOTTOM ? -1 : 0);
    };
    const unsigned outer = edge & (BDR_RAISEDOUTER | BDR_SUNKENOUTER);
    const unsigned inner = edge & (BDR_RAISEDINNER | BDR_SUNKENINNER);
    if (outer) {
        if (mono) {
            ring(GetSysColor(COLOR_WINDOWFRAME), GetSysColor(COLOR_WINDOWFRAME));
        } else if (flat) {
            ring(GetSysColor(COLOR_3DSHADOW), GetSysColor(COLOR_3DSHADOW));
        } else if (outer & BDR_SUNKENOUTER) {
            ring(GetSysColor(COLOR_3DSHADOW), GetSysColor(COLOR_3DHIGHLIGHT));
        } else {
            ring(GetSysColor(COLOR_3DLIGHT), GetSysColor(COLOR_3DDKSHADOW));
        }
    }
    if (inner) {
        if (mono) {
            ring(GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOW));
        } else if (flat) {
            ring(GetSysColor(COLOR_3DFACE), GetSysColor(COLOR_3DFACE));
        } else if (inner & BDR_SUNKENINNER) {
            ring(GetSysColor(COLOR_3DDKSHADOW), GetSysColor(COLOR_3DLIGHT));
        } else {
            ring(GetSysColor(COLOR_3DHIGHLIGHT), GetSysColor(COLOR_3DSHADOW));
        }
    }
    if ((flags & BF_MIDDLE) && IsActive() && r.width() > 0 && r.height() > 0) {
        m_painter->fillRect(r, ToQColor(GetSysColor(mono || flat ? COLOR_WINDOW : COLOR_3DFACE)));
    }
    if (flags & BF_ADJUST) rect = FromDevice(r, rect);
    return true;
}

bool PainterContext::BitBlt(int x, int y, int width, int height, DrawContext& source, int srcX, int srcY,
                            unsigned rop) {
    auto* src = dynamic_cast<PainterContext*>(&source);
    if (rop != SRCCOPY || !src || !src->Image() || !IsActive() || src == this) return false;
    const QRect dest = DeviceRect(Rect{x, y, x + width, y + height});
    const QRect from = src->DeviceRect(Rect{srcX, srcY, srcX + width, srcY + height});
    m_painter->save();
    m_painter->setCompositionMode(QPainter::CompositionMode_Source);
    m_painter->drawImage(dest, *src->Image(), from);
    m_painter->restore();
    return true;
}

MemoryContext::MemoryContext(const DrawContext& compatible, int widthPx, int heightPx)
    : m_bitmap(std::max(1, widthPx), std::max(1, heightPx), QImage::Format_RGB32) {
    m_bitmap.fill(Qt::black);
    const int dpiX = compatible.GetDeviceCaps(LOGPIXELSX);
    const int dpiY = compatible.GetDeviceCaps(LOGPIXELSY);
    m_bitmap.setDotsPerMeterX(static_cast<int>(std::lround(dpiX / 0.0254)));
    m_bitmap.setDotsPerMeterY(static_cast<int>(std::lround(dpiY / 0.0254)));
    Begin(m_bitmap);
}

MemoryContext::~MemoryContext() { End(); }

}  // namespace fw
