#include "render3d/GlSceneView.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>
#include <QOpenGLFunctions_3_3_Core>
#include <QOpenGLVersionFunctionsFactory>
#include <QOpenGLWidget>
#include <QPainter>
#include <QWheelEvent>
#include <cmath>

#include "platform/StringTable.h"
#include "platform/UserInterface.h"
#include "render3d/DdsWriter.h"
#include "render3d/GraphicsDeviceDialog.h"

namespace {

constexpr int kMsgNoOpenGL = 64300;
constexpr int kTextPictureFilter = 64314;
constexpr int kMsgNotWritten = 63022;
constexpr int kMsgNoClipboard = 61579;
constexpr int kTextHelpOff = 61531;
constexpr int kTextHelpActions = 61532;
constexpr int kTextHelpInputs = 61533;

// One navigation event advances the scene by one frame of this length.
constexpr double kStepSeconds = 1.0 / 30.0;
// How far the camera turns, moves and zooms per unit of accumulated velocity × time: one key
// press turns by 1°, a held key speeds up to 10° per repeat.
constexpr float kDegreesPerUnit = 300.0f;
constexpr float kMovePerUnit = 30.0f;
constexpr float kZoomPerUnit = 3.0f;
constexpr int kAnimationMs = 16;

QString DepthName(const QSurfaceFormat& f) {
    const int d = f.depthBufferSize(), s = f.stencilBufferSize();
    if (d <= 0) return {};
    return s > 0 ? QStringLiteral("(D%1S%2)").arg(d).arg(s) : QStringLiteral("(D%1)").arg(d);
}

}  // namespace

// The OpenGL widget filling the view: it hands its phases to the view. Input events are left
// to the view (they pass on to the parent), which also holds the keyboard focus.
class GlSceneView::Surface : public QOpenGLWidget {
public:
    explicit Surface(GlSceneView& host) : QOpenGLWidget(&host), m_host(host) {
        setFormat(GlSceneView::Format());
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void initializeGL() override { m_host.InitializeGL(); }
    void paintGL() override { m_host.PaintGL(); }

private:
    GlSceneView& m_host;
};

GlSceneView::GlSceneView(UserInterface& ui, FailureHook onFailure, QWidget* parent)
    : QWidget(parent), m_ui(ui), m_onFailure(std::move(onFailure)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(120, 90);
    m_animation.setInterval(kAnimationMs);
    connect(&m_animation, &QTimer::timeout, this, [this] {
        const qint64 now = m_clock.elapsed();
        Advance(double(now - m_lastAdvance) / 1000.0);
        m_lastAdvance = now;
        update();
    });
    m_clock.start();
    m_statsClock.start();
}

GlSceneView::~GlSceneView() {
    // The surface's context goes after this object: it must not call back into a view that is gone.
    disconnect(m_contextConnection);
    // The views own no OpenGL objects; what the renderer made goes with the context.
    if (m_surface && m_windowRenderer.IsInitialized() && m_surface->context()) {
        m_surface->makeCurrent();
        m_windowRenderer.Release();
        m_surface->doneCurrent();
    }
}

QWidget* GlSceneView::GlSurface() const {
    return m_surface;
}

QSurfaceFormat GlSceneView::Format() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    format.setDepthBufferSize(24);
    format.setStencilBufferSize(8);
    return format;
}

bool GlSceneView::CheckDevice(QString* reason) {
    if (QOpenGLContext::openGLModuleType() != QOpenGLContext::LibGL) {
        if (reason) *reason = QStringLiteral("OpenGL ES only");
        return false;
    }
    QOpenGLContext probe;
    probe.setFormat(Format());
    if (!probe.create()) {
        if (reason)
            *reason =
                QStringLiteral("no OpenGL context on platform \"%1\"").arg(QGuiApplication::platformName());
        return false;
    }
    const QPair<int, int> version = probe.format().version();
    if (version < qMakePair(3, 3)) {
        if (reason) *reason = QStringLiteral("OpenGL %1.%2 only").arg(version.first).arg(version.second);
        return false;
    }
    return true;
}

void GlSceneView::PrepareTopLevel(QWidget& window) {
    if (window.testAttribute(Qt::WA_WState_Created) || !CheckDevice(nullptr)) return;
    // An OpenGL widget among its children, never shown, makes the window ask for an OpenGL
    // surface when it is created.
    auto* marker = new QOpenGLWidget(&window);  // owned by the window
    marker->setObjectName(QStringLiteral("kalvoOpenGLComposition"));
    marker->hide();
}

bool GlSceneView::Create3DEnvironment() {
    QString reason;
    if (!CheckDevice(&reason)) {
        Fail(reason);
        return false;
    }
    if (!m_surface && !testAttribute(Qt::WA_DontShowOnScreen)) {
        m_surface = new Surface(*this);  // a child: the view's widget tree owns it
        m_surface->setGeometry(rect());
        m_surface->show();
    }
    return true;
}

void GlSceneView::resizeEvent(QResizeEvent* event) {
    if (m_surface) m_surface->setGeometry(rect());
    QWidget::resizeEvent(event);
}

void GlSceneView::paintEvent(QPaintEvent*) {
    // Only seen without an OpenGL surface: the background and the messages.
    QPainter painter(this);
    painter.fillRect(rect(), QColor::fromRgb(BackgroundColour()));
    DrawOverlay(painter, rect());
}

void GlSceneView::Fail(const QString& detail) {
    m_ready = false;
    // Told once: not again by this view, nor by its sibling failing in the same round (the
    // flag stays set until a 3D window is opened anew).
    const bool askedBefore = m_onFailure ? m_onFailure() : false;
    const bool told = m_failed || askedBefore;
    m_failed = true;
    if (!told) m_ui.Message(kMsgNoOpenGL, MessageIcon::Error, detail);
}

bool GlSceneView::SetUpScene(QOpenGLContext* context, QString* error) {
    auto* gl = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_3_3_Core>(context);
    if (!gl || context->format().version() < qMakePair(3, 3)) {
        *error = QStringLiteral("OpenGL %1.%2 only")
                     .arg(context->format().majorVersion())
                     .arg(context->format().minorVersion());
        return false;
    }
    gl->initializeOpenGLFunctions();
    if (!m_renderer->Initialize(gl, error)) return false;
    if (!CreateDeviceObjects() || !RestoreDeviceObjects()) {
        *error = QStringLiteral("the scene could not be set up");
        m_renderer->Release();
        return false;
    }
    ++m_restores;
    const QSurfaceFormat f = context->format();
    const auto* renderer = reinterpret_cast<const char*>(gl->glGetString(GL_RENDERER));
    m_deviceStats = QStringLiteral("%1 (OpenGL %2.%3 %4) %5")
                        .arg(QString::fromLatin1(renderer ? renderer : "?"))
                        .arg(f.majorVersion())
                        .arg(f.minorVersion())
                        .arg(f.profile() == QSurfaceFormat::CoreProfile ? QStringLiteral("core")
                                                                        : QStringLiteral("compatibility"))
                        .arg(DepthName(f));
    if (f.samples() > 1) m_deviceStats += QStringLiteral(" (%1x Multisample)").arg(f.samples());
    return true;
}

void GlSceneView::TearDownScene() {
    if (!m_renderer->IsInitialized()) return;
    InvalidateDeviceObjects();
    ReleaseDeviceObjects();
    m_renderer->Release();
    ++m_invalidates;
}

void GlSceneView::InitializeGL() {
    if (m_failed) return;
    // A window that moves to another screen or another top-level window gets a new context:
    // the scene is taken down with the old one and set up again on the new one.
    disconnect(m_contextConnection);
    m_contextConnection = connect(m_surface->context(), &QOpenGLContext::aboutToBeDestroyed, this, [this] {
        m_surface->makeCurrent();
        TearDownScene();
        m_ready = false;
        m_surface->doneCurrent();
    });
    QString error;
    if (!SetUpScene(m_surface->context(), &error)) {
        Fail(error);
        return;
    }
    m_ready = true;
}

QMatrix4x4 GlSceneView::Projection(const QSize& size) {
    // A field of view of 60° across the narrower side, so that a tall window shows the scene too.
    const float aspect = float(std::max(size.width(), 1)) / float(std::max(size.height(), 1));
    constexpr float kFov = 60.0f;
    const float fovY =
        aspect >= 1.0f ? kFov
                       : 2.0f * qRadiansToDegrees(std::atan(std::tan(qDegreesToRadians(kFov / 2)) / aspect));
    QMatrix4x4 projection;
    projection.perspective(fovY, aspect, 0.1f, 100.0f);
    return projection;
}

void GlSceneView::InitialCamera(float& distance, float& pitch, float& yaw) const {
    distance = 8.0f;
    pitch = -60.0f;
    yaw = 0.0f;
}

QMatrix4x4 GlSceneView::ViewMatrix() const {
    float distance = 8, pitch = -60, yaw = 0;
    InitialCamera(distance, pitch, yaw);
    const auto& rot = m_nav.cameraRotation;
    const auto& move = m_nav.cameraTranslation;
    QMatrix4x4 view;
    view.translate(-float(move[0]) * kMovePerUnit, 0.0f,
                   -distance * std::exp(float(rot[2]) * kZoomPerUnit) + float(move[1]) * kMovePerUnit);
    view.rotate(float(move[2]) * kDegreesPerUnit, 0, 0, 1);  // roll
    view.rotate(pitch + float(rot[1]) * kDegreesPerUnit, 1, 0, 0);
    view.rotate(yaw + float(rot[0]) * kDegreesPerUnit, 0, 0, 1);
    return view;
}

QMatrix4x4 GlSceneView::WorldMatrix() const {
    const auto& r = m_nav.objectRotation;
    const auto& t = m_nav.objectTranslation;
    QMatrix4x4 world;
    world.translate(float(t[0]), float(t[1]), float(t[2]));
    world.rotate(float(r[0]), 1, 0, 0);
    world.rotate(float(r[1]), 0, 1, 0);
    world.rotate(float(r[2]), 0, 0, 1);
    return world;
}

void GlSceneView::DrawFrame(const QSize& size) {
    m_renderer->SetMatrices(Projection(size), ViewMatrix(), WorldMatrix());
    RenderFrame();
}

void GlSceneView::PaintGL() {
    const QSize pixels = m_surface->size() * m_surface->devicePixelRatioF();
    if (m_ready) {
        DrawFrame(pixels);
    } else if (auto* gl = QOpenGLContext::currentContext() ? QOpenGLContext::currentContext()->functions()
                                                           : nullptr) {
        gl->glClearColor(0, 0, 0, 1);
        gl->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    if (!m_forPicture) UpdateFrameStats(pixels);
    QPainter painter(m_surface);
    DrawOverlay(painter, rect());
    DrawHostOverlay(painter, rect());
}

void GlSceneView::UpdateFrameStats(const QSize& size) {
    // Frames per second over the last second or more of rendering; the size at once.
    ++m_frames;
    const qint64 ms = m_statsClock.elapsed();
    if (ms >= 1000 || m_fps < 0) {
        m_fps = 1000.0 * m_frames / double(std::max<qint64>(ms, 1));
        m_frames = 0;
        m_statsClock.restart();
    }
    const QSurfaceFormat f = m_surface ? m_surface->format() : Format();
    const int bits =
        f.redBufferSize() + f.greenBufferSize() + f.blueBufferSize() + std::max(f.alphaBufferSize(), 0);
    m_frameStats =
        QString::asprintf("%.02f fps (%dx%dx%d)", m_fps, size.width(), size.height(), bits > 0 ? bits : 32);
}

void GlSceneView::DrawOverlay(QPainter&, const QRect&) const {}

void GlSceneView::DrawHostOverlay(QPainter& painter, const QRect& rect) const {
    painter.save();
    painter.setPen(QColor(255, 255, 0));
    QFont small(QStringLiteral("Century Gothic"));
    small.setPixelSize(12);
    painter.setFont(small);
    const int line = painter.fontMetrics().height();
    // The statistics are for the screen, and only with the help: a class sees the scene, and a
    // saved picture too.
    if (m_showHelp && !m_forPicture) {
        painter.drawText(QPoint(4, 2 + painter.fontMetrics().ascent()), m_frameStats);
        painter.drawText(QPoint(4, 2 + line + painter.fontMetrics().ascent()), m_deviceStats);
    }
    if (m_showHelp) {
        QFont help(QStringLiteral("Century Gothic"));
        help.setPixelSize(14);
        painter.setFont(help);
        painter.setPen(QColor(255, 255, 255));
        const int top = 6 + 3 * line;
        painter.drawText(QPoint(4, top), Str(kTextHelpOff));
        // Two columns, the inputs beside the longest action.
        const QString actions = Str(kTextHelpActions);
        const int actionsWidth =
            painter.fontMetrics().boundingRect(QRect(0, 0, 10000, 10000), Qt::AlignLeft, actions).width();
        painter.drawText(QRect(QPoint(14, top + 6), rect.bottomRight()), Qt::AlignLeft | Qt::AlignTop,
                         actions);
        painter.drawText(QRect(QPoint(14 + actionsWidth + 24, top + 6), rect.bottomRight()),
                         Qt::AlignLeft | Qt::AlignTop, Str(kTextHelpInputs));
    }
    painter.restore();
}

void GlSceneView::Render3DEnvironment() {
    if (m_pause > 0) return;
    if (m_surface)
        m_surface->update();
    else
        update();
}

void GlSceneView::Pause(bool pause) {
    m_pause = std::max(0, m_pause + (pause ? 1 : -1));
    if (m_pause > 0) m_animation.stop();
}

// ---------------------------------------------------------------------------------------
// Navigation

void GlSceneView::Advance(double seconds) {
    m_nav.Update(std::min(seconds, 0.25));  // a long pause must not throw the camera away
    m_nav.ReleaseAll();
}

void GlSceneView::Navigate(NavigationState::Key key) {
    m_nav.Press(key);
    Advance(kStepSeconds);
    Render3DEnvironment();
}

void GlSceneView::ToggleHelp() {
    m_showHelp = !m_showHelp;
    Render3DEnvironment();
}

void GlSceneView::ToggleAnimation() {
    if (m_animation.isActive()) {
        m_animation.stop();
    } else if (m_pause == 0) {
        m_lastAdvance = m_clock.elapsed();
        m_animation.start();
    }
}

void GlSceneView::SingleStep() {
    m_animation.stop();
    Advance(kStepSeconds);
    Render3DEnvironment();
}

void GlSceneView::ResetView() {
    m_nav.Reset();
    Render3DEnvironment();
}

void GlSceneView::ShowDeviceDialog() {
    if (!m_ready || !m_surface) return;
    m_surface->makeCurrent();
    const GraphicsDeviceInfo info = GraphicsDeviceInfo::OfCurrentContext();
    m_surface->doneCurrent();
    GraphicsDeviceDialog dialog(info, this);
    dialog.exec();
}

QList<QKeySequence> GlSceneView::NavigationKeys() {
    return {
        QKeySequence(Qt::CTRL | Qt::Key_H), QKeySequence(Qt::CTRL | Qt::Key_R), QKeySequence(Qt::Key_F2),
        QKeySequence(Qt::Key_F5),           QKeySequence(Qt::Key_Return),       QKeySequence(Qt::Key_Enter),
        QKeySequence(Qt::Key_Space),        QKeySequence(Qt::Key_Plus),         QKeySequence(Qt::Key_Minus),
        QKeySequence(Qt::Key_Left),         QKeySequence(Qt::Key_Right),        QKeySequence(Qt::Key_Up),
        QKeySequence(Qt::Key_Down)};
}

void GlSceneView::keyPressEvent(QKeyEvent* event) {
    using N = NavigationState;
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const bool keypad = event->modifiers() & Qt::KeypadModifier;
    const int key = event->key();
    if (mods == Qt::ControlModifier) {
        if (key == Qt::Key_H) return ToggleHelp();
        if (key == Qt::Key_R) return ResetView();
        return QWidget::keyPressEvent(event);
    }
    if (mods != Qt::NoModifier && mods != Qt::ShiftModifier) return QWidget::keyPressEvent(event);
    switch (key) {
        case Qt::Key_F2:
            return ShowDeviceDialog();
        case Qt::Key_F5:
            return OnSaveKey();
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return ToggleAnimation();
        case Qt::Key_Space:
            return SingleStep();
        case Qt::Key_Left:
            return Navigate(N::kCamLeft);
        case Qt::Key_Right:
            return Navigate(N::kCamRight);
        case Qt::Key_Up:
            return Navigate(N::kCamUp);
        case Qt::Key_Down:
            return Navigate(N::kCamDown);
        case Qt::Key_Plus:
            return Navigate(N::kZoomIn);
        case Qt::Key_Minus:
            return Navigate(N::kZoomOut);
        default:
            break;
    }
    if (keypad) {
        switch (key) {
            case Qt::Key_1:
                return Navigate(N::kCamLeft);
            case Qt::Key_3:
                return Navigate(N::kCamRight);
            case Qt::Key_8:
                return Navigate(N::kCamForward);
            case Qt::Key_2:
                return Navigate(N::kCamBack);
            case Qt::Key_4:
                return Navigate(N::kCamStrafeLeft);
            case Qt::Key_6:
                return Navigate(N::kCamStrafeRight);
            case Qt::Key_7:
                return Navigate(N::kRollLeft);
            case Qt::Key_9:
                return Navigate(N::kRollRight);
            default:
                break;
        }
    }
    // The letters of the key table: the object's steps and the camera's travel.
    static constexpr char kLetters[] = "OPKLNMXCVBGHAZEQ";
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        for (const char* c = kLetters; *c; ++c)
            if (key == Qt::Key_A + (*c - 'A')) return Navigate(static_cast<N::Key>(*c));
    }
    QWidget::keyPressEvent(event);
}

void GlSceneView::wheelEvent(QWheelEvent* event) {
    using N = NavigationState;
    const QPoint delta = event->angleDelta();
    const int turn = delta.y() != 0 ? delta.y() : delta.x();  // Shift turns some wheels sideways
    if (turn == 0) return;
    const bool away = turn > 0;
    if (event->modifiers() & Qt::ShiftModifier)
        Navigate(away ? N::kObjRotXMinus : N::kObjRotXPlus);
    else if (event->modifiers() & Qt::ControlModifier)
        Navigate(away ? N::kObjRotYMinus : N::kObjRotYPlus);
    else
        Navigate(away ? N::kObjRotZMinus : N::kObjRotZPlus);
    event->accept();
}

void GlSceneView::mousePressEvent(QMouseEvent* event) {
    m_lastMouse = event->position().toPoint();
    setFocus(Qt::MouseFocusReason);
}

void GlSceneView::mouseMoveEvent(QMouseEvent* event) {
    using N = NavigationState;
    const QPoint pos = event->position().toPoint();
    const QPoint d = pos - m_lastMouse;
    m_lastMouse = pos;
    if (event->buttons() & Qt::LeftButton) {
        if (d.x() != 0) m_nav.Press(d.x() > 0 ? N::kObjMoveXPlus : N::kObjMoveXMinus);
        if (d.y() != 0) m_nav.Press(d.y() > 0 ? N::kObjMoveYMinus : N::kObjMoveYPlus);
    } else if (event->buttons() & Qt::RightButton) {
        if (d.x() != 0) m_nav.Press(d.x() > 0 ? N::kCamRight : N::kCamLeft);
        if (d.y() != 0) m_nav.Press(d.y() > 0 ? N::kCamDown : N::kCamUp);
    } else {
        return;
    }
    Advance(kStepSeconds);
    Render3DEnvironment();
}

// ---------------------------------------------------------------------------------------
// Pictures

std::optional<QImage> GlSceneView::RenderOffscreen(QSize size, QString* error) {
    if (size.isEmpty()) size = this->size().expandedTo(QSize(64, 48));
    // The context itself is the check: no probe beforehand (SetUpScene checks the version).
    QOpenGLContext context;
    context.setFormat(Format());
    QOffscreenSurface surface;
    surface.setFormat(Format());
    surface.create();
    if (!context.create() || !context.makeCurrent(&surface)) {
        if (error)
            *error =
                QStringLiteral("no OpenGL context on platform \"%1\"").arg(QGuiApplication::platformName());
        return std::nullopt;
    }
    QOpenGLFramebufferObjectFormat fboFormat;
    fboFormat.setAttachment(QOpenGLFramebufferObject::CombinedDepthStencil);
    std::optional<QImage> picture;
    {
        QOpenGLFramebufferObject fbo(size, fboFormat);
        // The scene on this context is a second one beside the window's: the window's renderer
        // keeps its buffers.
        GlRenderer offscreen;
        GlRenderer* const window = m_renderer;
        m_renderer = &offscreen;
        const bool wasReady = m_ready;
        QString failure;
        if (fbo.isValid() && fbo.bind() && SetUpScene(&context, &failure)) {
            m_renderer->Gl()->glViewport(0, 0, size.width(), size.height());
            m_ready = true;
            DrawFrame(size);
            m_renderer->Gl()->glFinish();
            picture = fbo.toImage().convertToFormat(QImage::Format_ARGB32);
            TearDownScene();
            fbo.release();
        } else if (error) {
            *error = failure.isEmpty() ? QStringLiteral("no framebuffer object") : failure;
        }
        m_renderer = window;
        m_ready = wasReady;
    }
    context.doneCurrent();
    if (picture) {
        m_forPicture = true;
        QPainter painter(&*picture);
        DrawOverlay(painter, picture->rect());
        DrawHostOverlay(painter, picture->rect());
        m_forPicture = false;
    }
    return picture;
}

std::optional<QImage> GlSceneView::Picture() {
    if (m_ready && m_surface && isVisible()) {
        m_forPicture = true;
        QImage frame = m_surface->grabFramebuffer();
        m_forPicture = false;
        Render3DEnvironment();  // the window shows its statistics again
        return frame;
    }
    QString error;
    return RenderOffscreen(size(), &error);
}

bool GlSceneView::SaveView(UserInterface& ui, const QString& dialogTitle) {
    FileDialogOptions options;
    options.title = dialogTitle;
    options.filter = Str(kTextPictureFilter);
    options.defaultExtension = QStringLiteral("png");
    const std::optional<QString> chosen = ui.ChooseSaveFile(options);
    if (!chosen || chosen->isEmpty()) return false;
    QString path = *chosen;
    const QString suffix = path.section(u'.', -1).toLower();
    if (path.indexOf(u'.') < 0 || (suffix != u"png" && suffix != u"bmp" && suffix != u"dds"))
        path += QStringLiteral(".png");
    const std::optional<QImage> picture = Picture();
    const bool written = picture && WritePicture3D(path, *picture);
    if (!written) ui.Message(kMsgNotWritten, MessageIcon::Exclamation, path);
    return written;
}

bool GlSceneView::CopyView(UserInterface& ui) {
    const std::optional<QImage> picture = Picture();
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!picture || picture->isNull() || !clipboard) {
        ui.Message(kMsgNoClipboard, MessageIcon::Exclamation);
        return false;
    }
    clipboard->setImage(*picture);
    return true;
}
