#include "views/common/ViewPicture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <memory>

#include "platform/StringTable.h"
#include "platform/UserInterface.h"

namespace {

constexpr int kTextPictureFilter = 63601;
constexpr int kMsgNoClipboard = 61579;
constexpr int kMsgNotWritten = 63022;

}  // namespace

bool SaveViewPicture(UserInterface& ui, const QString& dialogTitle, const QString& pictureName,
                     const QSize& size, const PaintRoutine& paint) {
    FileDialogOptions options;
    options.title = dialogTitle;
    options.filter = Str(kTextPictureFilter);
    options.defaultExtension = QStringLiteral("svg");
    const std::optional<QString> chosen = ui.ChooseSaveFile(options);
    if (!chosen || chosen->isEmpty()) return false;
    QString path = *chosen;
    // A name without a picture type becomes a vector drawing.
    if (!PictureFormatOf(path)) path += QStringLiteral(".svg");
    if (!WritePicture(path, size, pictureName, paint)) {
        ui.Message(kMsgNotWritten, MessageIcon::Exclamation, path);
        return false;
    }
    return true;
}

bool CopyViewPicture(UserInterface& ui, const QString& pictureName, const QSize& size,
                     const PaintRoutine& paint) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    const std::optional<QByteArray> svg = RenderPicture(PictureFormat::Svg, size, pictureName, paint);
    const std::optional<QByteArray> png = RenderPicture(PictureFormat::Png, size, pictureName, paint);
    if (!clipboard || !svg || !png) {
        ui.Message(kMsgNoClipboard, MessageIcon::Exclamation);
        return false;
    }
    auto data = std::make_unique<QMimeData>();
    data->setData(QStringLiteral("image/svg+xml"), *svg);
    data->setImageData(QImage::fromData(*png, "PNG"));
    clipboard->setMimeData(data.release());  // the clipboard owns it from now on
    return true;
}
