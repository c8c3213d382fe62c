#pragma once
// The "Envelope" dialog: a modeless window beside the main sound window that shows the
// envelope measured between the waveform's markers, lets the user set interpolation points
// on it with the mouse, and saves or copies the picture.

#include <QDialog>

#include "platform/PictureWriter.h"
#include "views/time/EnvelopeCurves.h"

class EnvelopePicture;
class QLabel;
class QPushButton;
class UserInterface;

class EnvelopeDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kCtrlDelete = 1;  // "delete points and close window" (the OK button)
    static constexpr int kCtrlOptimize = 1187;
    static constexpr int kCtrlDraw = 1188;
    static constexpr int kCtrlSave = 1189;
    static constexpr int kCtrlCopy = 1190;
    // How far (in picture pixels) an interpolation point may lie from the line through its
    // neighbours and still be dropped by "optimize points".
    static constexpr double kOptimizeTolerance = 3.0;

    // curves belongs to the waveform view and outlives the dialog.
    EnvelopeDialog(EnvelopeCurves& curves, UserInterface& ui, QWidget* parent = nullptr);

    static QString PictureName() { return PictureNameOf(PictureKind::Envelope); }
    EnvelopePicture* Picture() const { return m_picture; }
    QPushButton* Button(int id) const;

    // Texts in the current language.
    void UpdateTexts();
    // Shows the dialog with the curves as they are now.
    void ShowCurves();

    void OnDeletePoints();
    void OnOptimizePoints();
    void OnDrawEnvelope();
    bool OnSaveView();
    bool OnCopy();

signals:
    // The user deleted the envelope: the waveform drops its marks of it.
    void EnvelopeDeleted();

private:
    QPushButton* NewButton(int id);
    void PlaceBelowParent();

    EnvelopeCurves& m_curves;
    UserInterface& m_ui;
    EnvelopePicture* m_picture;  // owned by the dialog's widget tree
    QLabel* m_hint;              // owned by the dialog's widget tree
    bool m_placed = false;
};
