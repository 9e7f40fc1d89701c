// The OpenGL 3.3 objects shared by every transition: context, programs, buffers and textures, and the
// draw calls for effects and cards into the bound framebuffer.
#include "transitions/qt/TransitionGpu.h"

#include "base/LibraryFiles.h"
#include "base/Log.h"
#include "transitions/qt/ShaderSource.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLExtraFunctions>

#include <algorithm>
#include <cmath>

namespace fw {

namespace {
constexpr GLuint kGridBinding = 0, kParticleBinding = 1;
} // namespace

QSurfaceFormat TransitionGpu::surfaceFormat()
{
    QSurfaceFormat f;
    f.setRenderableType(QSurfaceFormat::OpenGL);
    f.setVersion(3, 3);
    f.setProfile(QSurfaceFormat::CoreProfile);
    f.setRedBufferSize(8);
    f.setGreenBufferSize(8);
    f.setBlueBufferSize(8);
    f.setAlphaBufferSize(8);
    f.setDepthBufferSize(24);
    // Several panels swap one after another each frame: none may wait for the display.
    f.setSwapInterval(0);
    return f;
}

bool TransitionGpu::available()
{
    static const bool answer = [] {
        if (!qGuiApp)   // a core application has no windows system to ask
            return false;
        QOpenGLContext probe;
        probe.setFormat(surfaceFormat());
        // The first context opens the display for OpenGL, and the driver reads its configuration.
        DriverConfigGuard guard;
        if (!probe.create())
            return false;
        const QSurfaceFormat f = probe.format();
        return f.majorVersion() > 3 || (f.majorVersion() == 3 && f.minorVersion() >= 3);
    }();
    return answer;
}

std::unique_ptr<TransitionGpu> TransitionGpu::make()
{
    if (!available())
        return nullptr;
    std::unique_ptr<TransitionGpu> gpu(new TransitionGpu);
    if (!gpu->build())
        return nullptr;
    return gpu;
}

bool TransitionGpu::build()
{
    surface_ = std::make_unique<QOffscreenSurface>();
    surface_->setFormat(surfaceFormat());
    context_ = std::make_unique<QOpenGLContext>();
    context_->setFormat(surfaceFormat());
    {
        DriverConfigGuard guard;
        surface_->create();
        if (!surface_->isValid() || !context_->create() || !context_->makeCurrent(surface_.get()))
            return false;
    }
    gl_ = context_->extraFunctions();
    pipeline_ = program(int(ShaderEntry::transitionVertex), int(ShaderEntry::transitionFragment));
    particles_ = program(int(ShaderEntry::disintegrateVertex), int(ShaderEntry::transitionFragment));
    cards_ = program(int(ShaderEntry::cardVertex), int(ShaderEntry::cardFragment));
    if (!pipeline_ || !particles_ || !cards_)
        return false;
    gl_->glUniformBlockBinding(pipeline_, gl_->glGetUniformBlockIndex(pipeline_, "TransitionUniforms"), kGridBinding);
    gl_->glUniformBlockBinding(particles_, gl_->glGetUniformBlockIndex(particles_, "ParticleUniforms"), kParticleBinding);
    for (GLuint p : {pipeline_, particles_, cards_}) {
        gl_->glUseProgram(p);
        gl_->glUniform1i(gl_->glGetUniformLocation(p, "picture"), 0);
    }
    gl_->glGenVertexArrays(1, &emptyVertices_);
    gl_->glGenVertexArrays(1, &cardVertices_);
    gl_->glGenBuffers(1, &cardBuffer_);
    gl_->glGenBuffers(1, &gridUniforms_);
    gl_->glGenBuffers(1, &particleUniforms_);
    gl_->glBindVertexArray(cardVertices_);
    gl_->glBindBuffer(GL_ARRAY_BUFFER, cardBuffer_);
    const GLsizei stride = sizeof(CardVertex);
    const struct { GLuint index; GLint count; std::size_t offset; } attributes[] = {
        {0, 4, offsetof(CardVertex, position)}, {1, 2, offsetof(CardVertex, uv)}, {2, 1, offsetof(CardVertex, shade)},
        {3, 1, offsetof(CardVertex, alpha)}, {4, 1, offsetof(CardVertex, mode)}};
    for (const auto& a : attributes) {
        gl_->glEnableVertexAttribArray(a.index);
        gl_->glVertexAttribPointer(a.index, a.count, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(a.offset));
    }
    gl_->glBindVertexArray(0);
    return gl_->glGetError() == GL_NO_ERROR;
}

GLuint TransitionGpu::program(int vertexEntry, int fragmentEntry)
{
    auto compile = [this](GLenum type, ShaderEntry entry) -> GLuint {
        const QByteArray source = shaderSource(entry);
        const char* text = source.constData();
        GLuint shader = gl_->glCreateShader(type);
        gl_->glShaderSource(shader, 1, &text, nullptr);
        gl_->glCompileShader(shader);
        GLint ok = 0;
        gl_->glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
        if (!ok) {
            char message[1024] = {};
            gl_->glGetShaderInfoLog(shader, sizeof message - 1, nullptr, message);
            log::error(LogCategory::App, "Transition shader did not compile: %{public}s", message);
            gl_->glDeleteShader(shader);
            return 0;
        }
        return shader;
    };
    const GLuint vertex = compile(GL_VERTEX_SHADER, ShaderEntry(vertexEntry));
    const GLuint fragment = compile(GL_FRAGMENT_SHADER, ShaderEntry(fragmentEntry));
    GLuint program = 0;
    if (vertex && fragment) {
        program = gl_->glCreateProgram();
        gl_->glAttachShader(program, vertex);
        gl_->glAttachShader(program, fragment);
        gl_->glLinkProgram(program);
        GLint ok = 0;
        gl_->glGetProgramiv(program, GL_LINK_STATUS, &ok);
        if (!ok) {
            log::error(LogCategory::App, "Transition shaders did not link");
            gl_->glDeleteProgram(program);
            program = 0;
        }
    }
    gl_->glDeleteShader(vertex);
    gl_->glDeleteShader(fragment);
    return program;
}

TransitionGpu::~TransitionGpu()
{
    if (!context_ || !gl_ || !makeCurrent())
        return;
    for (GLuint p : {pipeline_, particles_, cards_})
        if (p)
            gl_->glDeleteProgram(p);
    const GLuint arrays[] = {emptyVertices_, cardVertices_};
    gl_->glDeleteVertexArrays(2, arrays);
    const GLuint buffers[] = {cardBuffer_, gridUniforms_, particleUniforms_};
    gl_->glDeleteBuffers(3, buffers);
    for (const ElementList& list : elementLists_)
        gl_->glDeleteBuffers(1, &list.buffer);
    context_->doneCurrent();
}

bool TransitionGpu::makeCurrent(QSurface* surface)
{
    return context_ && context_->makeCurrent(surface ? surface : surface_.get());
}

GLuint TransitionGpu::makeTexture(const TransitionCapture& capture)
{
    const PixelRect r = integralRegion(capture);
    if (r.isEmpty())
        return 0;
    while (gl_->glGetError() != GL_NO_ERROR) {
    }
    GLuint texture = 0;
    gl_->glGenTextures(1, &texture);
    gl_->glBindTexture(GL_TEXTURE_2D, texture);
    gl_->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    gl_->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gl_->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    gl_->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    gl_->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    // The region is read straight out of the whole picture.
    gl_->glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    gl_->glPixelStorei(GL_UNPACK_ROW_LENGTH, capture.image->width);
    gl_->glPixelStorei(GL_UNPACK_SKIP_PIXELS, r.x);
    gl_->glPixelStorei(GL_UNPACK_SKIP_ROWS, r.y);
    gl_->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, r.width, r.height, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                      capture.image->pixels.data());
    gl_->glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    gl_->glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    gl_->glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    if (gl_->glGetError() != GL_NO_ERROR) {
        gl_->glDeleteTextures(1, &texture);
        return 0;
    }
    return texture;
}

void TransitionGpu::deleteTexture(GLuint texture)
{
    if (texture)
        gl_->glDeleteTextures(1, &texture);
}

void TransitionGpu::beginFrame(PixelSize size, bool depth)
{
    frameSize_ = size;
    gl_->glViewport(0, 0, size.width, size.height);
    gl_->glDisable(GL_SCISSOR_TEST);
    gl_->glClearColor(0, 0, 0, 0);
    GLbitfield mask = GL_COLOR_BUFFER_BIT;
    if (depth) {
        gl_->glDepthMask(GL_TRUE);
        gl_->glClearDepthf(1.0f);
        mask |= GL_DEPTH_BUFFER_BIT;
    }
    gl_->glClear(mask);
    gl_->glEnable(GL_BLEND);
    gl_->glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
}

bool TransitionGpu::beginWindowFrame(QSurface* window, PixelSize size, bool depth)
{
    if (!makeCurrent(window))
        return false;
    gl_->glBindFramebuffer(GL_FRAMEBUFFER, context_->defaultFramebufferObject());
    beginFrame(size, depth);
    return true;
}

void TransitionGpu::present(QSurface* window) { context_->swapBuffers(window); }

GLuint TransitionGpu::elements(ShaderPipeline pipeline, std::uint32_t columns, std::uint32_t rows)
{
    for (const ElementList& list : elementLists_)
        if (list.pipeline == pipeline && list.columns == columns && list.rows == rows)
            return list.buffer;
    // Two triangles per cell, corners in the order (0,0) (1,0) (0,1), (1,0) (1,1) (0,1).
    std::vector<std::uint32_t> indices;
    indices.reserve(std::size_t(columns) * rows * 6);
    const std::uint32_t corners[6][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 0}, {1, 1}, {0, 1}};
    for (std::uint32_t y = 0; y < rows; ++y)
        for (std::uint32_t x = 0; x < columns; ++x)
            for (const auto& k : corners)
                indices.push_back(pipeline == ShaderPipeline::grid ? (y + k[1]) * (columns + 1) + x + k[0]
                                                                   : (y * columns + x) * 4 + k[1] * 2 + k[0]);
    GLuint buffer = 0;
    gl_->glGenBuffers(1, &buffer);
    gl_->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffer);
    gl_->glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(indices.size() * sizeof(std::uint32_t)), indices.data(),
                      GL_STATIC_DRAW);
    elementLists_.push_back({pipeline, columns, rows, buffer});
    return buffer;
}

void TransitionGpu::drawEffect(const EffectDraw& draw, GLuint texture)
{
    const bool grid = draw.pipeline == ShaderPipeline::grid;
    const float* rect = grid ? draw.grid.rect : draw.particles.rect;
    const GLuint buffer = grid ? gridUniforms_ : particleUniforms_;
    gl_->glUseProgram(grid ? pipeline_ : particles_);
    gl_->glBindVertexArray(emptyVertices_);
    gl_->glBindBuffer(GL_UNIFORM_BUFFER, buffer);
    if (grid)
        gl_->glBufferData(GL_UNIFORM_BUFFER, sizeof(TransitionUniforms), &draw.grid, GL_STREAM_DRAW);
    else
        gl_->glBufferData(GL_UNIFORM_BUFFER, sizeof(ParticleUniforms), &draw.particles, GL_STREAM_DRAW);
    gl_->glBindBufferBase(GL_UNIFORM_BUFFER, grid ? kGridBinding : kParticleBinding, buffer);
    gl_->glActiveTexture(GL_TEXTURE0);
    gl_->glBindTexture(GL_TEXTURE_2D, texture);
    gl_->glDisable(GL_DEPTH_TEST);
    // Nothing of a window is drawn outside its rectangle, wherever its layers fly.
    const double w = frameSize_.width, h = frameSize_.height;
    const double x0 = (rect[0] + 1) / 2 * w, x1 = (rect[0] + rect[2] + 1) / 2 * w;
    const double y0 = (rect[1] - rect[3] + 1) / 2 * h, y1 = (rect[1] + 1) / 2 * h;
    gl_->glEnable(GL_SCISSOR_TEST);
    gl_->glScissor(GLint(std::lround(x0)), GLint(std::lround(y0)), GLsizei(std::max(0L, std::lround(x1 - x0))),
                   GLsizei(std::max(0L, std::lround(y1 - y0))));
    const std::uint32_t columns = grid ? draw.grid.columns : draw.particles.columns;
    const std::uint32_t rows = grid ? draw.grid.rows : draw.particles.rows;
    // The element list is part of the vertex array's state: bound while the array is.
    gl_->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, elements(draw.pipeline, columns, rows));
    gl_->glDrawElements(GL_TRIANGLES, GLsizei(draw.vertexCount), GL_UNSIGNED_INT, nullptr);
    gl_->glDisable(GL_SCISSOR_TEST);
    gl_->glBindVertexArray(0);
}

void TransitionGpu::drawCards(const std::vector<CardDraw>& draws, const std::vector<GLuint>& textures)
{
    if (draws.empty())
        return;
    std::vector<CardVertex> vertices;
    vertices.reserve(draws.size() * 4);
    for (const CardDraw& d : draws)
        vertices.insert(vertices.end(), d.vertices.begin(), d.vertices.end());
    gl_->glUseProgram(cards_);
    gl_->glBindVertexArray(cardVertices_);
    gl_->glBindBuffer(GL_ARRAY_BUFFER, cardBuffer_);
    gl_->glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(vertices.size() * sizeof(CardVertex)), vertices.data(), GL_STREAM_DRAW);
    gl_->glActiveTexture(GL_TEXTURE0);
    for (std::size_t i = 0; i < draws.size(); ++i) {
        const CardDraw& d = draws[i];
        if (d.depth) {
            gl_->glEnable(GL_DEPTH_TEST);
            gl_->glDepthFunc(GL_LESS);
            gl_->glDepthMask(GL_TRUE);
        } else {
            // Painted: always passes, writes no depth.
            gl_->glDisable(GL_DEPTH_TEST);
            gl_->glDepthMask(GL_FALSE);
        }
        const bool textured = d.texture && *d.texture >= 0 && std::size_t(*d.texture) < textures.size();
        gl_->glBindTexture(GL_TEXTURE_2D, textured ? textures[std::size_t(*d.texture)] : 0);
        gl_->glDrawArrays(GL_TRIANGLE_STRIP, GLint(i * 4), 4);
    }
    gl_->glDisable(GL_DEPTH_TEST);
    gl_->glDepthMask(GL_TRUE);
    gl_->glBindVertexArray(0);
}

void TransitionGpu::finish() { gl_->glFinish(); }

int TransitionGpu::uniformBlockSize(bool particles) const
{
    const GLuint p = particles ? particles_ : pipeline_;
    const GLuint block = gl_->glGetUniformBlockIndex(p, particles ? "ParticleUniforms" : "TransitionUniforms");
    GLint size = -1;
    if (block != GL_INVALID_INDEX)
        gl_->glGetActiveUniformBlockiv(p, block, GL_UNIFORM_BLOCK_DATA_SIZE, &size);
    return size;
}

int TransitionGpu::uniformOffset(bool particles, const char* member) const
{
    const GLuint p = particles ? particles_ : pipeline_;
    GLuint index = GL_INVALID_INDEX;
    gl_->glGetUniformIndices(p, 1, &member, &index);
    GLint offset = -1;
    if (index != GL_INVALID_INDEX)
        gl_->glGetActiveUniformsiv(p, 1, &index, GL_UNIFORM_OFFSET, &offset);
    return offset;
}

OffscreenTarget::OffscreenTarget(TransitionGpu& gpu, PixelSize size) : gpu_(gpu), size_(size)
{
    auto* gl = gpu_.context()->extraFunctions();
    gl->glGenTextures(1, &colour_);
    gl->glBindTexture(GL_TEXTURE_2D, colour_);
    gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, size.width, size.height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    gl->glGenRenderbuffers(1, &depth_);
    gl->glBindRenderbuffer(GL_RENDERBUFFER, depth_);
    gl->glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, size.width, size.height);
    gl->glGenFramebuffers(1, &framebuffer_);
    gl->glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    gl->glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour_, 0);
    gl->glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth_);
    if (gl->glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        gl->glDeleteFramebuffers(1, &framebuffer_);
        framebuffer_ = 0;
    }
}

OffscreenTarget::~OffscreenTarget()
{
    auto* gl = gpu_.context()->extraFunctions();
    if (framebuffer_)
        gl->glDeleteFramebuffers(1, &framebuffer_);
    gl->glDeleteRenderbuffers(1, &depth_);
    gl->glDeleteTextures(1, &colour_);
}

void OffscreenTarget::bind() { gpu_.context()->extraFunctions()->glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_); }

PixelImage OffscreenTarget::read()
{
    auto* gl = gpu_.context()->extraFunctions();
    bind();
    PixelImage upsideDown(size_.width, size_.height);
    gl->glPixelStorei(GL_PACK_ALIGNMENT, 4);
    gl->glReadPixels(0, 0, size_.width, size_.height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, upsideDown.pixels.data());
    PixelImage out(size_.width, size_.height);
    for (int y = 0; y < size_.height; ++y)
        std::copy_n(upsideDown.pixels.begin() + std::ptrdiff_t(std::size_t(size_.height - 1 - y) * std::size_t(size_.width)),
                    size_.width, out.pixels.begin() + std::ptrdiff_t(std::size_t(y) * std::size_t(size_.width)));
    return out;
}

} // namespace fw
