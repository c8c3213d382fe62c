#pragma once
// Keeps the windows of an MDI area at their relative places when the area changes size: the
// main window that is maximised after the profile placed its windows, a window dragged
// larger, a bar shown or hidden. Each window's edges are scaled from the old to the new size,
// so windows that touched still touch and none comes to overlap another.

#include <QObject>

class QMdiArea;
class QWidget;

class ClientAreaScaler : public QObject {
    Q_OBJECT
public:
    // Watches the area's viewport; lives as a child of the area.
    explicit ClientAreaScaler(QMdiArea* area);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Scale(const QSize& from, const QSize& to);

    QMdiArea* m_area;
    const QObject* m_viewport;  // the area's, for comparing only
};
