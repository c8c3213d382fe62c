#include "render3d/GlRenderer.h"

#include <QOpenGLFunctions_3_3_Core>
#include <QOpenGLShaderProgram>
#include <algorithm>
#include <cstddef>

#include "analysis/DelayReconstruction.h"
#include "analysis/Landscape3D.h"

namespace {

// Colours come as 32-bit ARGB words; in memory (little endian) their bytes are B, G, R, A,
// hence the swizzle. Three directional lights fixed to the camera, lighting both faces.
constexpr const char* kVertexShader = R"(#version 330 core
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
layout(location = 2) in vec4 colour;
uniform mat4 mvp;
uniform mat3 normalMatrix;
uniform bool lit;
uniform float pointSize;
uniform vec3 lightDirection[3];
uniform vec3 lightColour[3];
out vec4 vertexColour;
void main() {
    gl_Position = mvp * vec4(position, 1.0);
    gl_PointSize = pointSize;
    vec4 c = colour.bgra;
    if (lit) {
        vec3 n = normalize(normalMatrix * normal);
        vec3 light = vec3(0.2);
        for (int i = 0; i < 3; ++i) light += lightColour[i] * abs(dot(n, lightDirection[i]));
        c.rgb *= min(light, vec3(1.0));
    }
    vertexColour = c;
}
)";

constexpr const char* kFragmentShader = R"(#version 330 core
in vec4 vertexColour;
out vec4 fragmentColour;
void main() { fragmentColour = vertexColour; }
)";

}  // namespace

GlRenderer::GlRenderer() = default;

GlRenderer::~GlRenderer() = default;  // Release runs while the context is still current

bool GlRenderer::Initialize(QOpenGLFunctions_3_3_Core* gl, QString* error) {
    Release();
    if (!gl) {
        if (error) *error = QStringLiteral("OpenGL 3.3 core functions are missing");
        return false;
    }
    auto program = std::make_unique<QOpenGLShaderProgram>();
    if (!program->addShaderFromSourceCode(QOpenGLShader::Vertex, kVertexShader) ||
        !program->addShaderFromSourceCode(QOpenGLShader::Fragment, kFragmentShader) || !program->link()) {
        if (error) *error = program->log();
        return false;
    }
    m_gl = gl;
    m_program = std::move(program);

    // The mesh: 32-byte landscape vertices with normals, 32-bit indices.
    gl->glGenVertexArrays(1, &m_mesh.vao);
    gl->glGenBuffers(1, &m_mesh.vbo);
    gl->glGenBuffers(1, &m_mesh.ibo);
    gl->glBindVertexArray(m_mesh.vao);
    gl->glBindBuffer(GL_ARRAY_BUFFER, m_mesh.vbo);
    gl->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_mesh.ibo);
    constexpr GLsizei kMeshStride = sizeof(LandscapeVertex);
    gl->glEnableVertexAttribArray(0);
    gl->glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, kMeshStride,
                              reinterpret_cast<const void*>(offsetof(LandscapeVertex, x)));
    gl->glEnableVertexAttribArray(1);
    gl->glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, kMeshStride,
                              reinterpret_cast<const void*>(offsetof(LandscapeVertex, nx)));
    gl->glEnableVertexAttribArray(2);
    gl->glVertexAttribPointer(2, 4, GL_UNSIGNED_BYTE, GL_TRUE, kMeshStride,
                              reinterpret_cast<const void*>(offsetof(LandscapeVertex, argb)));

    // Points and lines: 16-byte position and colour, no normal.
    for (Buffers& batch : m_batches) {
        gl->glGenVertexArrays(1, &batch.vao);
        gl->glGenBuffers(1, &batch.vbo);
        gl->glBindVertexArray(batch.vao);
        gl->glBindBuffer(GL_ARRAY_BUFFER, batch.vbo);
        constexpr GLsizei kStride = sizeof(ReconstructionPoint);
        gl->glEnableVertexAttribArray(0);
        gl->glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, kStride,
                                  reinterpret_cast<const void*>(offsetof(ReconstructionPoint, x)));
        gl->glDisableVertexAttribArray(1);
        gl->glEnableVertexAttribArray(2);
        gl->glVertexAttribPointer(2, 4, GL_UNSIGNED_BYTE, GL_TRUE, kStride,
                                  reinterpret_cast<const void*>(offsetof(ReconstructionPoint, argb)));
    }
    gl->glBindVertexArray(0);
    if (gl->glGetError() != GL_NO_ERROR) {
        if (error) *error = QStringLiteral("vertex buffers could not be created");
        Release();
        return false;
    }
    return true;
}

void GlRenderer::Release() {
    if (!m_gl) return;
    for (Buffers* b : {&m_mesh, &m_batches[0], &m_batches[1]}) {
        if (b->vbo) m_gl->glDeleteBuffers(1, &b->vbo);
        if (b->ibo) m_gl->glDeleteBuffers(1, &b->ibo);
        if (b->vao) m_gl->glDeleteVertexArrays(1, &b->vao);
        *b = Buffers{};
    }
    m_program.reset();
    m_meshIndices = 0;
    meshGeneration = batchGeneration[0] = batchGeneration[1] = 0;
    m_gl = nullptr;
}

void GlRenderer::Clear(std::uint32_t argb) {
    if (!m_gl) return;
    m_gl->glClearColor(float((argb >> 16) & 0xFF) / 255.0f, float((argb >> 8) & 0xFF) / 255.0f,
                       float(argb & 0xFF) / 255.0f, 1.0f);
    m_gl->glClearDepth(1.0);
    m_gl->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    m_gl->glEnable(GL_DEPTH_TEST);
    m_gl->glDepthFunc(GL_LEQUAL);  // a later point at the same place is drawn over an earlier one
    m_gl->glDisable(GL_CULL_FACE);
    m_gl->glEnable(GL_PROGRAM_POINT_SIZE);
}

void GlRenderer::SetMatrices(const QMatrix4x4& projection, const QMatrix4x4& view, const QMatrix4x4& world) {
    m_projection = projection;
    m_view = view;
    m_world = world;
}

void GlRenderer::Upload(unsigned target, unsigned buffer, std::size_t& capacity, const void* data,
                        std::size_t bytes) {
    m_gl->glBindBuffer(target, buffer);
    if (bytes > capacity) {
        m_gl->glBufferData(target, GLsizeiptr(bytes), data, GL_DYNAMIC_DRAW);
        capacity = bytes;
    } else if (bytes > 0) {
        m_gl->glBufferSubData(target, 0, GLsizeiptr(bytes), data);
    }
}

void GlRenderer::UploadMesh(const LandscapeVertex* vertices, std::size_t vertexCount,
                            const std::uint32_t* indices, std::size_t indexCount) {
    if (!m_gl) return;
    m_gl->glBindVertexArray(m_mesh.vao);
    Upload(GL_ARRAY_BUFFER, m_mesh.vbo, m_mesh.vboBytes, vertices, vertexCount * sizeof(LandscapeVertex));
    Upload(GL_ELEMENT_ARRAY_BUFFER, m_mesh.ibo, m_mesh.iboBytes, indices, indexCount * sizeof(std::uint32_t));
    m_gl->glBindVertexArray(0);
    m_meshIndices = indexCount;
}

void GlRenderer::UploadMeshVertices(const LandscapeVertex* vertices, std::size_t vertexCount) {
    if (!m_gl) return;
    Upload(GL_ARRAY_BUFFER, m_mesh.vbo, m_mesh.vboBytes, vertices, vertexCount * sizeof(LandscapeVertex));
}

void GlRenderer::SetUniforms(QOpenGLShaderProgram& program, bool lit) {
    const QMatrix4x4 modelView = m_view * m_world;
    program.setUniformValue("mvp", m_projection * modelView);
    program.setUniformValue("normalMatrix", modelView.normalMatrix());
    program.setUniformValue("lit", lit);
    // Key light from the upper left front, a fill light from the right, a weak back light.
    const QVector3D directions[3] = {QVector3D(-0.4f, 0.6f, 0.7f).normalized(),
                                     QVector3D(0.8f, 0.2f, 0.5f).normalized(),
                                     QVector3D(0.0f, -0.5f, -0.8f).normalized()};
    const QVector3D colours[3] = {QVector3D(0.75f, 0.75f, 0.75f), QVector3D(0.35f, 0.35f, 0.35f),
                                  QVector3D(0.2f, 0.2f, 0.2f)};
    program.setUniformValueArray("lightDirection", directions, 3);
    program.setUniformValueArray("lightColour", colours, 3);
}

void GlRenderer::DrawMesh(bool wire, std::size_t indexCount) {
    indexCount = std::min(indexCount, m_meshIndices);
    if (!m_gl || indexCount == 0) return;
    m_program->bind();
    SetUniforms(*m_program, !wire);
    m_program->setUniformValue("pointSize", 1.0f);
    m_gl->glPolygonMode(GL_FRONT_AND_BACK, wire ? GL_LINE : GL_FILL);
    m_gl->glBindVertexArray(m_mesh.vao);
    m_gl->glDrawElements(GL_TRIANGLES, GLsizei(indexCount), GL_UNSIGNED_INT, nullptr);
    m_gl->glBindVertexArray(0);
    m_gl->glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    m_program->release();
}

void GlRenderer::UploadBatch(Batch batch, const ReconstructionPoint* points, std::size_t count) {
    if (!m_gl) return;
    Buffers& b = m_batches[batch];
    m_gl->glBindVertexArray(b.vao);
    Upload(GL_ARRAY_BUFFER, b.vbo, b.vboBytes, points, count * sizeof(ReconstructionPoint));
    m_gl->glBindVertexArray(0);
}

void GlRenderer::DrawBatch(Batch batch, Primitive primitive, std::size_t count, float pointSize) {
    if (!m_gl || count == 0) return;
    m_program->bind();
    SetUniforms(*m_program, false);
    m_program->setUniformValue("pointSize", pointSize);
    m_gl->glBindVertexArray(m_batches[batch].vao);
    const GLenum mode = primitive == Primitive::Points  ? GL_POINTS
                        : primitive == Primitive::Lines ? GL_LINES
                                                        : GL_LINE_STRIP;
    m_gl->glDrawArrays(mode, 0, GLsizei(count));
    m_gl->glBindVertexArray(0);
    m_program->release();
}
