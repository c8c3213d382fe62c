#pragma once
// The 3D rendering host of the 3D views: an OpenGL 3.3 core widget that runs the phases of a
// 3D scene (create, restore, update, render, invalidate, release), recovers the scene when its
// context is lost (a window that moves to another screen gets a new context), turns keys,
// wheel and drags into navigation steps, draws frame statistics and the shortcut help over the
// picture, and saves the picture. The same scene renders offscreen into a framebuffer object
// for the command line and for saving at another size.
//
// When OpenGL cannot be had the user is told once, with what to do on Linux, and the owner is
// asked, through the failure hook, to close the 3D windows; the rest of the program goes on.

#include <QElapsedTimer>
#include <QImage>
#include <QMatrix4x4>
#include <QPoint>
#include <QSurfaceFormat>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <optional>

#include "render3d/GlRenderer.h"
#include "render3d/NavigationState.h"

class QOpenGLContext;
class QPainter;
class UserInterface;

class GlSceneView : public QWidget {
    Q_OBJECT
public:
    // Called when OpenGL fails: asks the owner to close the 3D windows and returns whether they
    // already were asked (by this view or a sibling since a 3D window was last opened), in
    // which case the user has been told and is not told again.
    using FailureHook = std::function<bool()>;

    GlSceneView(UserInterface& ui, FailureHook onFailure, QWidget* parent = nullptr);
    ~GlSceneView() override;

    // The surface every 3D picture asks for: OpenGL 3.3 core with a depth buffer.
    static QSurfaceFormat Format();
    // A colour of the settings (ARGB as a signed int) with full alpha.
    static std::uint32_t OpaqueColour(int argb) { return 0xFF000000u | (std::uint32_t(argb) & 0x00FFFFFFu); }
    // Whether an OpenGL 3.3 core context can be made here; the reason when not.
    static bool CheckDevice(QString* reason);
    // Call before a top-level window that may hold 3D views is shown: it is then composed
    // through OpenGL from the start. Otherwise Qt builds its native window anew when the first
    // 3D view appears in it, and the new one comes up in the normal rectangle (no longer
    // maximised). Does nothing where there is no OpenGL for the 3D views.
    static void PrepareTopLevel(QWidget& window);

    // Checks that OpenGL is there and puts the OpenGL surface into the view (a view that is never
    // shown renders offscreen only). False after the user was told and the owner was asked
    // to close the 3D windows; the view then shows no OpenGL surface at all, since a platform
    // without OpenGL cannot even compose one.
    bool Create3DEnvironment();
    // The scene is set up on a context and renders.
    bool IsReady() const { return m_ready; }
    bool HasFailed() const { return m_failed; }
    // One frame: on screen a repaint is scheduled (paused: nothing).
    void Render3DEnvironment();
    // Pausing nests; rendering and the animation stop while paused.
    void Pause(bool pause);
    bool IsPaused() const { return m_pause > 0; }

    // ---- navigation ----
    // One input event: the key is pressed for exactly one frame.
    void Navigate(NavigationState::Key key);
    void ToggleHelp();
    bool HelpShown() const { return m_showHelp; }
    // Enter: continuous frame advance on/off (the camera glides out with its inertia).
    void ToggleAnimation();
    bool IsAnimating() const { return m_animation.isActive(); }
    // Space: one single step; continuous advance stops.
    void SingleStep();
    // Ctrl+R: camera and object back to their start.
    void ResetView();
    void ShowDeviceDialog();
    const NavigationState& Navigation() const { return m_nav; }

    // ---- pictures ----
    // The picture at a size (the window's when empty), with the overlay, rendered offscreen.
    // Nothing when OpenGL is not available (error says why).
    std::optional<QImage> RenderOffscreen(QSize size, QString* error);
    // The picture as the window shows it, without the frame statistics.
    std::optional<QImage> Picture();
    // Save View: PNG, BMP or DDS; Copy: the picture to the clipboard.
    bool SaveView(UserInterface& ui, const QString& dialogTitle);
    bool CopyView(UserInterface& ui);

    QString FrameStats() const { return m_frameStats; }
    QString DeviceStats() const { return m_deviceStats; }
    // The OpenGL widget inside the view, null until the environment is created.
    QWidget* GlSurface() const;
    // The keys the view takes itself while it has the focus.
    static QList<QKeySequence> NavigationKeys();

    // Counts for tests: how often the scene was restored and how often it was invalidated.
    int RestoreCount() const { return m_restores; }
    int InvalidateCount() const { return m_invalidates; }

protected:
    // ---- the phases a 3D view fills ----
    virtual bool CreateDeviceObjects() { return true; }
    // Buffers and meshes on the current context (after a context loss too).
    virtual bool RestoreDeviceObjects() = 0;
    // Draws the scene with Renderer(); the matrices are set.
    virtual void RenderFrame() = 0;
    // Text over the picture (messages); the host adds the statistics and the help.
    virtual void DrawOverlay(QPainter& painter, const QRect& rect) const;
    virtual void InvalidateDeviceObjects() {}
    virtual void ReleaseDeviceObjects() {}
    // The camera's start: distance from the origin and the angles in degrees.
    virtual void InitialCamera(float& distance, float& pitch, float& yaw) const;
    // F5 and the picture commands.
    virtual QString PictureTitle() const { return QStringLiteral("Kalvo 3D"); }
    virtual std::uint32_t BackgroundColour() const { return 0xFF000000u; }
    virtual void OnSaveKey() {}

    GlRenderer& Renderer() { return *m_renderer; }
    QMatrix4x4 ViewMatrix() const;
    QMatrix4x4 WorldMatrix() const;
    static QMatrix4x4 Projection(const QSize& size);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    class Surface;
    void InitializeGL();
    void PaintGL();
    bool SetUpScene(QOpenGLContext* context, QString* error);
    void TearDownScene();
    void Fail(const QString& detail);
    void DrawHostOverlay(QPainter& painter, const QRect& rect) const;
    void DrawFrame(const QSize& size);
    void UpdateFrameStats(const QSize& size);
    void Advance(double seconds);

    UserInterface& m_ui;
    FailureHook m_onFailure;
    Surface* m_surface = nullptr;  // the OpenGL surface, a child; null without OpenGL
    QMetaObject::Connection m_contextConnection;
    GlRenderer m_windowRenderer;
    GlRenderer* m_renderer = &m_windowRenderer;  // the offscreen one while a picture renders
    NavigationState m_nav;
    QTimer m_animation;
    QElapsedTimer m_clock;  // application time; stops while paused
    QElapsedTimer m_statsClock;
    qint64 m_lastAdvance = 0;
    int m_frames = 0;
    double m_fps = -1;
    QString m_frameStats, m_deviceStats;
    QPoint m_lastMouse;
    int m_pause = 0;
    int m_restores = 0, m_invalidates = 0;
    bool m_ready = false;
    bool m_failed = false;
    bool m_showHelp = false;
    bool m_forPicture = false;  // drawing a picture to save or copy, not the screen
};
