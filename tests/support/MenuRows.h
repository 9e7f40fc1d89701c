#pragma once
// Whether every row of a menu reads whole: the menu is rendered through a paint engine that
// records each run of text with the room it was drawn in, and every visible item's text must
// be drawn in full, inside its row and its room, over no other text.

#include <QMenu>
#include <QPaintEngine>
#include <QPainter>
#include <QStringList>
#include <QTextItem>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace fw::test {

// What a widget draws as text: each run with the room it had (the clip, in the widget).
class TextRecorder final : public QPaintDevice, public QPaintEngine {
public:
    struct Run {
        QString text;
        QRectF at;     // where the run's glyphs stand
        QRectF room;   // the clip it was drawn in
    };
    explicit TextRecorder(QSize size) : QPaintEngine(AllFeatures), size_(size) {}
    std::vector<Run> runs;

    QPaintEngine* paintEngine() const override { return const_cast<TextRecorder*>(this); }
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    void drawTextItem(const QPointF& p, const QTextItem& item) override
    {
        const QTransform t = painter()->transform();
        const QRectF glyphs = t.mapRect(QRectF(p.x(), p.y() - item.ascent(), item.width(), item.ascent() + item.descent()));
        const QRectF clip = painter()->hasClipping() ? t.mapRect(painter()->clipBoundingRect()) : QRectF(QPoint(), size_);
        runs.push_back({item.text(), glyphs, clip});
    }
    Type type() const override { return User; }

protected:
    int metric(PaintDeviceMetric m) const override
    {
        switch (m) {
        case PdmWidth: return size_.width();
        case PdmHeight: return size_.height();
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY: return 96;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
        case PdmDepth: return 32;
        case PdmNumColors: return 0;
        default: return 0;
        }
    }

private:
    QSize size_;
};

// `labels`: texts that must be drawn too (the key labels beside the items).
inline ::testing::AssertionResult rowsReadWhole(QMenu* menu, const QStringList& labels = {})
{
    TextRecorder recorder(menu->size());
    menu->render(&recorder);
    QStringList drawn;
    for (const auto& run : recorder.runs)
        drawn << run.text;
    const std::string all = drawn.join(u" | "_qs).toStdString();
    for (QAction* action : menu->actions()) {
        if (action->isSeparator() || !action->isVisible())
            continue;
        const QString text = action->text();
        const auto run = std::find_if(recorder.runs.begin(), recorder.runs.end(), [&](const auto& r) { return r.text == text; });
        if (run == recorder.runs.end())
            return ::testing::AssertionFailure() << "\"" << text.toStdString() << "\" is cut; drawn: " << all;
        const QRectF row = menu->actionGeometry(action);
        if (run->at.right() > std::min(run->room.right(), double(row.right())) + 0.5)
            return ::testing::AssertionFailure() << text.toStdString() << " runs out of its row; drawn: " << all;
        for (const auto& other : recorder.runs) {
            // A disabled item is drawn twice, etched: its own runs may overlap.
            if (other.text != run->text && other.at.intersects(run->at))
                return ::testing::AssertionFailure() << text.toStdString() << " overlaps " << other.text.toStdString();
        }
    }
    for (const QString& label : labels)
        if (!drawn.contains(label))
            return ::testing::AssertionFailure() << "no \"" << label.toStdString() << "\" drawn: " << all;
    return ::testing::AssertionSuccess();
}

} // namespace fw::test
