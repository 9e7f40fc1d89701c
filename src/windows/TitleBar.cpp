// The title-bar reading built from the bar, the manager's button layout and the title, and
// the one place the layout is kept.
#include "windows/TitleBar.h"

#include <algorithm>

namespace fw {

namespace {

std::function<TitleBarButtons()>& layoutSource()
{
    static std::function<TitleBarButtons()> source;
    return source;
}

} // namespace

void setTitleBarLayout(std::function<TitleBarButtons()> source) { layoutSource() = std::move(source); }

TitleBarButtons titleBarLayout() { return layoutSource() ? layoutSource()() : TitleBarButtons{}; }

std::optional<TitleBar> readTitleBar(WindowSystem& windows, WindowId window)
{
    const auto height = windows.titleBarHeight(window);
    const auto frame = height ? windows.frame(window) : std::nullopt;
    if (!frame || *height < 4 || frame->width() < 60)
        return std::nullopt;
    return titleBarOf(Rect(frame->minX(), frame->minY(), frame->width(), *height), titleBarLayout(),
                      windows.title(window).value_or(QString()));
}

Rect TitleBar::buttons() const
{
    const Rect& end = buttonsEnd();
    const double inset = std::min(4.0, end.height() / 4);
    return Rect(end.minX(), end.minY() + inset, end.width(), end.height() - 2 * inset);
}

Rect TitleBar::minimize() const
{
    const Rect b = buttons();
    return Rect(b.midX() - 6, b.minY(), 12, b.height());
}

TitleBar titleBarOf(const Rect& bar, const TitleBarButtons& layout, const QString& title)
{
    TitleBar out;
    out.bar = bar;
    const double item = bar.height();
    out.leftItems = std::max(0, layout.left);
    out.rightItems = std::max(0, layout.right);
    const double left = std::min(bar.width(), out.leftItems * item);
    const double right = std::min(bar.width() - left, out.rightItems * item);
    out.leftEnd = Rect(bar.minX(), bar.minY(), left, item);
    out.rightEnd = Rect(bar.maxX() - right, bar.minY(), right, item);
    out.buttonsLeft = layout.buttonsLeft;
    const QString text = title.trimmed();
    const double between = out.rightEnd.minX() - out.leftEnd.maxX();
    if (!text.isEmpty() && between > 0) {
        const double width = layout.titleCentred ? std::min(between, text.size() * kTitleCharWidth * item) : between;
        const double x = std::clamp(bar.midX() - width / 2, out.leftEnd.maxX(), out.rightEnd.minX() - width);
        out.title = Rect(x, bar.minY(), width, item);
    }
    return out;
}

} // namespace fw
