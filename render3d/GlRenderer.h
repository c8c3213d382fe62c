#pragma once
// The drawing operations the 3D views need, on OpenGL 3.3 core: a lit triangle mesh (the
// landscape) and coloured points, lines and line strips (the reconstruction and its axes).
// Buffers are created once and only grow, so that a stream of new data costs no allocation
// on the graphics side either. Everything runs on the context current at Initialize.

#include <QMatrix4x4>
#include <QString>
#include <QVector3D>
#include <cstdint>
#include <memory>

class QOpenGLFunctions_3_3_Core;
class QOpenGLShaderProgram;
struct LandscapeVertex;
struct ReconstructionPoint;

class GlRenderer {
public:
    GlRenderer();
    ~GlRenderer();
    GlRenderer(const GlRenderer&) = delete;
    GlRenderer& operator=(const GlRenderer&) = delete;

    // Compiles the shaders and creates the buffers on the current context; the error text
    // (from the driver) when it fails.
    bool Initialize(QOpenGLFunctions_3_3_Core* gl, QString* error);
    // Deletes everything made by Initialize; the context must be current.
    void Release();
    bool IsInitialized() const { return m_gl != nullptr; }
    QOpenGLFunctions_3_3_Core* Gl() const { return m_gl; }

    void Clear(std::uint32_t argb);
    void SetMatrices(const QMatrix4x4& projection, const QMatrix4x4& view, const QMatrix4x4& world);

    // The lit mesh.
    void UploadMesh(const LandscapeVertex* vertices, std::size_t vertexCount, const std::uint32_t* indices,
                    std::size_t indexCount);
    void UploadMeshVertices(const LandscapeVertex* vertices, std::size_t vertexCount);
    // The first indexCount indices (all when larger than the mesh).
    void DrawMesh(bool wire, std::size_t indexCount);
    std::size_t MeshIndexCount() const { return m_meshIndices; }

    // Coloured vertices without light: 0 the axes, 1 the points.
    enum Batch { kAxes = 0, kPoints = 1 };
    enum class Primitive { Points, Lines, LineStrip };
    void UploadBatch(Batch batch, const ReconstructionPoint* points, std::size_t count);
    void DrawBatch(Batch batch, Primitive primitive, std::size_t count, float pointSize);

    // What the buffers hold, as the views count their data's changes: a view uploads when its
    // count differs (a new renderer after a lost context starts at 0).
    std::uint64_t meshGeneration = 0;
    std::uint64_t batchGeneration[2] = {0, 0};

private:
    struct Buffers {
        unsigned vao = 0, vbo = 0, ibo = 0;
        std::size_t vboBytes = 0, iboBytes = 0;
    };
    void Upload(unsigned target, unsigned buffer, std::size_t& capacity, const void* data, std::size_t bytes);
    void SetUniforms(QOpenGLShaderProgram& program, bool lit);

    QOpenGLFunctions_3_3_Core* m_gl = nullptr;
    std::unique_ptr<QOpenGLShaderProgram> m_program;
    Buffers m_mesh;
    Buffers m_batches[2];
    std::size_t m_meshIndices = 0;
    QMatrix4x4 m_projection, m_view, m_world;
};
