#pragma once

// Every OpenGL entry point the system calls, once. The dispatch table, the
// inline wrappers, the loader and the no-op and recording tables are all
// generated from this list, so they cannot drift apart. Each entry is
// X(return type, name, (parameters), (arguments)); all are OpenGL 3.3 core.
// Add an entry here before calling a new entry point.

// clang-format off
#define TOLU_GL_FUNCTIONS(X) \
    /* Fixed-function state */ \
    X(void, glViewport, (GLint x, GLint y, GLsizei width, GLsizei height), (x, y, width, height)) \
    X(void, glScissor, (GLint x, GLint y, GLsizei width, GLsizei height), (x, y, width, height)) \
    X(void, glEnable, (GLenum cap), (cap)) \
    X(void, glDisable, (GLenum cap), (cap)) \
    X(GLboolean, glIsEnabled, (GLenum cap), (cap)) \
    X(void, glCullFace, (GLenum mode), (mode)) \
    X(void, glFrontFace, (GLenum mode), (mode)) \
    X(void, glPolygonMode, (GLenum face, GLenum mode), (face, mode)) \
    X(void, glPolygonOffset, (GLfloat factor, GLfloat units), (factor, units)) \
    X(void, glPointSize, (GLfloat size), (size)) \
    X(void, glLineWidth, (GLfloat width), (width)) \
    X(void, glHint, (GLenum target, GLenum mode), (target, mode)) \
    X(void, glBlendFunc, (GLenum sfactor, GLenum dfactor), (sfactor, dfactor)) \
    X(void, glBlendFuncSeparate, (GLenum srcRGB, GLenum dstRGB, GLenum srcAlpha, GLenum dstAlpha), (srcRGB, dstRGB, srcAlpha, dstAlpha)) \
    X(void, glBlendEquation, (GLenum mode), (mode)) \
    X(void, glBlendEquationSeparate, (GLenum modeRGB, GLenum modeAlpha), (modeRGB, modeAlpha)) \
    X(void, glBlendColor, (GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha), (red, green, blue, alpha)) \
    X(void, glDepthFunc, (GLenum func), (func)) \
    X(void, glDepthMask, (GLboolean flag), (flag)) \
    X(void, glDepthRange, (GLdouble n, GLdouble f), (n, f)) \
    X(void, glColorMask, (GLboolean red, GLboolean green, GLboolean blue, GLboolean alpha), (red, green, blue, alpha)) \
    X(void, glStencilFunc, (GLenum func, GLint ref, GLuint mask), (func, ref, mask)) \
    X(void, glStencilOp, (GLenum fail, GLenum zfail, GLenum zpass), (fail, zfail, zpass)) \
    X(void, glStencilMask, (GLuint mask), (mask)) \
    /* Clearing and drawing */ \
    X(void, glClear, (GLbitfield mask), (mask)) \
    X(void, glClearColor, (GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha), (red, green, blue, alpha)) \
    X(void, glClearDepth, (GLdouble depth), (depth)) \
    X(void, glClearStencil, (GLint s), (s)) \
    X(void, glClearBufferfv, (GLenum buffer, GLint drawbuffer, const GLfloat* value), (buffer, drawbuffer, value)) \
    X(void, glClearBufferfi, (GLenum buffer, GLint drawbuffer, GLfloat depth, GLint stencil), (buffer, drawbuffer, depth, stencil)) \
    X(void, glDrawArrays, (GLenum mode, GLint first, GLsizei count), (mode, first, count)) \
    X(void, glDrawElements, (GLenum mode, GLsizei count, GLenum type, const void* indices), (mode, count, type, indices)) \
    X(void, glDrawArraysInstanced, (GLenum mode, GLint first, GLsizei count, GLsizei instancecount), (mode, first, count, instancecount)) \
    X(void, glFlush, (), ()) \
    X(void, glFinish, (), ()) \
    /* Queries */ \
    X(GLenum, glGetError, (), ()) \
    X(void, glGetBooleanv, (GLenum pname, GLboolean* data), (pname, data)) \
    X(void, glGetIntegerv, (GLenum pname, GLint* data), (pname, data)) \
    X(void, glGetFloatv, (GLenum pname, GLfloat* data), (pname, data)) \
    X(void, glGetDoublev, (GLenum pname, GLdouble* data), (pname, data)) \
    X(const GLubyte*, glGetString, (GLenum name), (name)) \
    X(const GLubyte*, glGetStringi, (GLenum name, GLuint index), (name, index)) \
    /* Pixels */ \
    X(void, glReadPixels, (GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, void* pixels), (x, y, width, height, format, type, pixels)) \
    X(void, glPixelStorei, (GLenum pname, GLint param), (pname, param)) \
    /* Buffers */ \
    X(void, glGenBuffers, (GLsizei n, GLuint* buffers), (n, buffers)) \
    X(void, glDeleteBuffers, (GLsizei n, const GLuint* buffers), (n, buffers)) \
    X(void, glBindBuffer, (GLenum target, GLuint buffer), (target, buffer)) \
    X(void, glBindBufferBase, (GLenum target, GLuint index, GLuint buffer), (target, index, buffer)) \
    X(void, glBufferData, (GLenum target, GLsizeiptr size, const void* data, GLenum usage), (target, size, data, usage)) \
    X(void, glBufferSubData, (GLenum target, GLintptr offset, GLsizeiptr size, const void* data), (target, offset, size, data)) \
    X(void*, glMapBuffer, (GLenum target, GLenum access), (target, access)) \
    X(void*, glMapBufferRange, (GLenum target, GLintptr offset, GLsizeiptr length, GLbitfield access), (target, offset, length, access)) \
    X(GLboolean, glUnmapBuffer, (GLenum target), (target)) \
    /* Vertex arrays */ \
    X(void, glGenVertexArrays, (GLsizei n, GLuint* arrays), (n, arrays)) \
    X(void, glDeleteVertexArrays, (GLsizei n, const GLuint* arrays), (n, arrays)) \
    X(void, glBindVertexArray, (GLuint array), (array)) \
    X(void, glEnableVertexAttribArray, (GLuint index), (index)) \
    X(void, glDisableVertexAttribArray, (GLuint index), (index)) \
    X(void, glVertexAttribPointer, (GLuint index, GLint size, GLenum type, GLboolean normalized, GLsizei stride, const void* pointer), (index, size, type, normalized, stride, pointer)) \
    X(void, glVertexAttribIPointer, (GLuint index, GLint size, GLenum type, GLsizei stride, const void* pointer), (index, size, type, stride, pointer)) \
    X(void, glVertexAttribDivisor, (GLuint index, GLuint divisor), (index, divisor)) \
    X(void, glVertexAttrib1f, (GLuint index, GLfloat x), (index, x)) \
    X(void, glVertexAttrib2f, (GLuint index, GLfloat x, GLfloat y), (index, x, y)) \
    X(void, glVertexAttrib3f, (GLuint index, GLfloat x, GLfloat y, GLfloat z), (index, x, y, z)) \
    X(void, glVertexAttrib4f, (GLuint index, GLfloat x, GLfloat y, GLfloat z, GLfloat w), (index, x, y, z, w)) \
    /* Shaders and programs */ \
    X(GLuint, glCreateShader, (GLenum type), (type)) \
    X(void, glShaderSource, (GLuint shader, GLsizei count, const GLchar* const* string, const GLint* length), (shader, count, string, length)) \
    X(void, glCompileShader, (GLuint shader), (shader)) \
    X(void, glGetShaderiv, (GLuint shader, GLenum pname, GLint* params), (shader, pname, params)) \
    X(void, glGetShaderInfoLog, (GLuint shader, GLsizei bufSize, GLsizei* length, GLchar* infoLog), (shader, bufSize, length, infoLog)) \
    X(void, glDeleteShader, (GLuint shader), (shader)) \
    X(GLuint, glCreateProgram, (), ()) \
    X(void, glAttachShader, (GLuint program, GLuint shader), (program, shader)) \
    X(void, glDetachShader, (GLuint program, GLuint shader), (program, shader)) \
    X(void, glBindAttribLocation, (GLuint program, GLuint index, const GLchar* name), (program, index, name)) \
    X(void, glBindFragDataLocation, (GLuint program, GLuint color, const GLchar* name), (program, color, name)) \
    X(void, glLinkProgram, (GLuint program), (program)) \
    X(void, glValidateProgram, (GLuint program), (program)) \
    X(void, glGetProgramiv, (GLuint program, GLenum pname, GLint* params), (program, pname, params)) \
    X(void, glGetProgramInfoLog, (GLuint program, GLsizei bufSize, GLsizei* length, GLchar* infoLog), (program, bufSize, length, infoLog)) \
    X(void, glDeleteProgram, (GLuint program), (program)) \
    X(void, glUseProgram, (GLuint program), (program)) \
    X(GLint, glGetAttribLocation, (GLuint program, const GLchar* name), (program, name)) \
    X(GLint, glGetUniformLocation, (GLuint program, const GLchar* name), (program, name)) \
    X(GLuint, glGetUniformBlockIndex, (GLuint program, const GLchar* uniformBlockName), (program, uniformBlockName)) \
    X(void, glUniformBlockBinding, (GLuint program, GLuint uniformBlockIndex, GLuint uniformBlockBinding), (program, uniformBlockIndex, uniformBlockBinding)) \
    X(void, glUniform1i, (GLint location, GLint v0), (location, v0)) \
    X(void, glUniform2i, (GLint location, GLint v0, GLint v1), (location, v0, v1)) \
    X(void, glUniform1f, (GLint location, GLfloat v0), (location, v0)) \
    X(void, glUniform2f, (GLint location, GLfloat v0, GLfloat v1), (location, v0, v1)) \
    X(void, glUniform3f, (GLint location, GLfloat v0, GLfloat v1, GLfloat v2), (location, v0, v1, v2)) \
    X(void, glUniform4f, (GLint location, GLfloat v0, GLfloat v1, GLfloat v2, GLfloat v3), (location, v0, v1, v2, v3)) \
    X(void, glUniform1iv, (GLint location, GLsizei count, const GLint* value), (location, count, value)) \
    X(void, glUniform1fv, (GLint location, GLsizei count, const GLfloat* value), (location, count, value)) \
    X(void, glUniform3fv, (GLint location, GLsizei count, const GLfloat* value), (location, count, value)) \
    X(void, glUniform4fv, (GLint location, GLsizei count, const GLfloat* value), (location, count, value)) \
    X(void, glUniformMatrix3fv, (GLint location, GLsizei count, GLboolean transpose, const GLfloat* value), (location, count, transpose, value)) \
    X(void, glUniformMatrix4fv, (GLint location, GLsizei count, GLboolean transpose, const GLfloat* value), (location, count, transpose, value)) \
    /* Framebuffers and renderbuffers */ \
    X(void, glGenFramebuffers, (GLsizei n, GLuint* framebuffers), (n, framebuffers)) \
    X(void, glDeleteFramebuffers, (GLsizei n, const GLuint* framebuffers), (n, framebuffers)) \
    X(void, glBindFramebuffer, (GLenum target, GLuint framebuffer), (target, framebuffer)) \
    X(GLenum, glCheckFramebufferStatus, (GLenum target), (target)) \
    X(void, glFramebufferTexture2D, (GLenum target, GLenum attachment, GLenum textarget, GLuint texture, GLint level), (target, attachment, textarget, texture, level)) \
    X(void, glFramebufferRenderbuffer, (GLenum target, GLenum attachment, GLenum renderbuffertarget, GLuint renderbuffer), (target, attachment, renderbuffertarget, renderbuffer)) \
    X(void, glGenRenderbuffers, (GLsizei n, GLuint* renderbuffers), (n, renderbuffers)) \
    X(void, glDeleteRenderbuffers, (GLsizei n, const GLuint* renderbuffers), (n, renderbuffers)) \
    X(void, glBindRenderbuffer, (GLenum target, GLuint renderbuffer), (target, renderbuffer)) \
    X(void, glRenderbufferStorage, (GLenum target, GLenum internalformat, GLsizei width, GLsizei height), (target, internalformat, width, height)) \
    X(void, glRenderbufferStorageMultisample, (GLenum target, GLsizei samples, GLenum internalformat, GLsizei width, GLsizei height), (target, samples, internalformat, width, height)) \
    X(void, glBlitFramebuffer, (GLint srcX0, GLint srcY0, GLint srcX1, GLint srcY1, GLint dstX0, GLint dstY0, GLint dstX1, GLint dstY1, GLbitfield mask, GLenum filter), (srcX0, srcY0, srcX1, srcY1, dstX0, dstY0, dstX1, dstY1, mask, filter)) \
    X(void, glDrawBuffer, (GLenum buf), (buf)) \
    X(void, glDrawBuffers, (GLsizei n, const GLenum* bufs), (n, bufs)) \
    X(void, glReadBuffer, (GLenum src), (src)) \
    /* Textures */ \
    X(void, glGenTextures, (GLsizei n, GLuint* textures), (n, textures)) \
    X(void, glDeleteTextures, (GLsizei n, const GLuint* textures), (n, textures)) \
    X(void, glActiveTexture, (GLenum texture), (texture)) \
    X(void, glBindTexture, (GLenum target, GLuint texture), (target, texture)) \
    X(void, glTexImage2D, (GLenum target, GLint level, GLint internalformat, GLsizei width, GLsizei height, GLint border, GLenum format, GLenum type, const void* pixels), (target, level, internalformat, width, height, border, format, type, pixels)) \
    X(void, glTexSubImage2D, (GLenum target, GLint level, GLint xoffset, GLint yoffset, GLsizei width, GLsizei height, GLenum format, GLenum type, const void* pixels), (target, level, xoffset, yoffset, width, height, format, type, pixels)) \
    X(void, glCopyTexSubImage2D, (GLenum target, GLint level, GLint xoffset, GLint yoffset, GLint x, GLint y, GLsizei width, GLsizei height), (target, level, xoffset, yoffset, x, y, width, height)) \
    X(void, glTexParameteri, (GLenum target, GLenum pname, GLint param), (target, pname, param)) \
    X(void, glTexParameterf, (GLenum target, GLenum pname, GLfloat param), (target, pname, param)) \
    X(void, glTexParameterfv, (GLenum target, GLenum pname, const GLfloat* params), (target, pname, params)) \
    X(void, glGenerateMipmap, (GLenum target), (target))
// clang-format on
