"""A stand-in for the Lightflow renderer's Python module, for the tests.

It takes the calls a scene script makes, checks them the way the renderer
would have to (argument types, parameter names, array sizes, index ranges,
Begin/End nesting) and records what was built. At the end of the script the
record goes to the file named by LIGHTFLOW_STUB_OUT, one item a line:

    triangle MATERIAL x y z x y z x y z   (MATERIAL: its newMaterial number)
    camera ex ey ez ax ay az ux uy uz fov aspect
    render WIDTH HEIGHT
    lights N
    materials N

Any fault raises LightflowError, so the script stops with a traceback.
"""
import atexit
import math
import os
import sys


class LightflowError(Exception):
    pass


def _fail(message):
    raise LightflowError(message)


def _number(x, what):
    if isinstance(x, bool) or not isinstance(x, (int, float)):
        _fail("%s: %r is not a number" % (what, x))
    if not math.isfinite(x):
        _fail("%s: %r is not finite" % (what, x))
    return float(x)


def _integer(x, what):
    if isinstance(x, bool) or not isinstance(x, int):
        _fail("%s: %r is not an integer" % (what, x))
    return x


def _string(x, what):
    if not isinstance(x, str):
        _fail("%s: %r is not a string" % (what, x))
    return x


class vector3:
    def __init__(self, x, y, z):
        self.v = tuple(_number(c, "vector3") for c in (x, y, z))


class vector2:
    def __init__(self, x, y):
        self.v = tuple(_number(c, "vector2") for c in (x, y))


class _Array:
    item = None
    name = ""

    def __init__(self, *args):
        if args:
            _fail("%s() takes no arguments" % self.name)
        self.items = None

    def setSize(self, n):
        _integer(n, self.name + ".setSize")
        if n < 0:
            _fail("%s.setSize(%d)" % (self.name, n))
        if self.items is not None:
            _fail("%s.setSize called twice" % self.name)
        self.items = [None] * n

    def set(self, i, value):
        if self.items is None:
            _fail("%s.set before setSize" % self.name)
        _integer(i, self.name + ".set")
        if not 0 <= i < len(self.items):
            _fail("%s.set(%d) outside 0..%d" % (self.name, i, len(self.items) - 1))
        if self.item is int:
            _integer(value, self.name + ".set")
        elif not isinstance(value, self.item):
            _fail("%s.set(%d, %r): not a %s" % (self.name, i, value, self.item.__name__))
        self.items[i] = value

    def full(self, what):
        if self.items is None:
            _fail("%s: %s without a size" % (what, self.name))
        missing = [i for i, v in enumerate(self.items) if v is None]
        if missing:
            _fail("%s: %s entry %d never set" % (what, self.name, missing[0]))
        return self.items


class vector3array(_Array):
    item = vector3
    name = "vector3array"


class vector2array(_Array):
    item = vector2
    name = "vector2array"


class intarray(_Array):
    item = int
    name = "intarray"


class _Handle:
    def __init__(self, kind, type_, params, number=0):
        self.kind, self.type, self.params, self.number = kind, type_, params, number


def _handle(x, kind, what):
    if not isinstance(x, _Handle) or x.kind != kind:
        _fail("%s: %r is not a %s" % (what, x, kind))
    return x


# Parameter lists: the values each name takes.
_V3 = vector3
_NUM = "number"
_STR = "string"


def _params(values, table, what):
    if not isinstance(values, list):
        _fail("%s: the parameters are not a list" % what)
    out = []
    i = 0
    while i < len(values):
        key = _string(values[i], what)
        if key not in table:
            _fail("%s: unknown parameter %r" % (what, key))
        kinds = table[key]
        got = values[i + 1:i + 1 + len(kinds)]
        if len(got) != len(kinds):
            _fail("%s: %r takes %d values" % (what, key, len(kinds)))
        for kind, value in zip(kinds, got):
            if kind is _NUM:
                _number(value, "%s %s" % (what, key))
            elif kind is _STR:
                _string(value, "%s %s" % (what, key))
            elif isinstance(kind, tuple):
                if not any(_is(k, value) for k in kind):
                    _fail("%s: %r of %r" % (what, value, key))
            elif not _is(kind, value):
                _fail("%s: %r of %r" % (what, value, key))
        out.append((key, got))
        i += 1 + len(kinds)
    return out


def _is(kind, value):
    if isinstance(kind, str) and kind.startswith("handle:"):
        return isinstance(value, _Handle) and value.kind == kind[7:]
    if kind is int:
        return isinstance(value, int) and not isinstance(value, bool)
    return isinstance(value, kind)


_LIGHTS = {
    "ambient": {"color": (_V3,)},
    "point": {"position": (_V3,), "color": (_V3,), "decay": (_NUM,)},
    "conic": {"position": (_V3,), "direction": (_V3,), "angle": (_NUM, _NUM), "color": (_V3,), "decay": (_NUM,)},
}
_MATERIAL = {
    "ka": ((_V3, "handle:pattern"),), "kc": (_V3,), "kd": (_NUM,), "kr": (_V3,), "kt": (_V3,),
    "shinyness": (_NUM,), "km": (_NUM,),
}
_PATTERN = {"type": (_STR,), "texture": ("handle:texture",)}
_MESH = {
    "points": (vector3array,), "normals": (vector3array,), "textures": (vector2array,),
    "faces": (int, intarray, intarray, intarray, intarray),
}
_CAMERA = {"eye": (_V3,), "aim": (_V3,), "up": (_V3,), "fov": (_NUM,), "aspect": (_NUM,)}
_SAVER = {"file": (_STR,)}

_record = []
_counts = {"lights": 0, "materials": 0}
_scenes = []


def _mesh(params):
    got = dict(params)
    for key in _MESH:
        if key not in got:
            _fail("mesh: no %r" % key)
    p = got["points"][0].full("mesh points")
    n = got["normals"][0].full("mesh normals")
    t = got["textures"][0].full("mesh textures")
    count, nv, fp, fn, ft = got["faces"]
    nv, fp, fn, ft = (a.full("mesh faces") for a in (nv, fp, fn, ft))
    if count != len(nv):
        _fail("mesh: %d faces but %d corner counts" % (count, len(nv)))
    if any(c < 3 for c in nv):
        _fail("mesh: a face of fewer than three corners")
    corners = sum(nv)
    for name, a, size in (("fp", fp, len(p)), ("fn", fn, len(n)), ("ft", ft, len(t))):
        if len(a) != corners:
            _fail("mesh: %s holds %d indices for %d corners" % (name, len(a), corners))
        bad = [i for i in a if not 0 <= i < size]
        if bad:
            _fail("mesh: %s index %d outside 0..%d" % (name, bad[0], size - 1))
    triangles = []
    at = 0
    for c in nv:
        for k in range(1, c - 1):
            triangles.append([p[fp[at]].v, p[fp[at + k]].v, p[fp[at + k + 1]].v])
        at += c
    return triangles


class scene:
    def __init__(self):
        if _scenes:
            _fail("a second scene")
        _scenes.append(self)
        self.materials = []
        self.imagers = []

    def newLight(self, type_, params):
        if _string(type_, "newLight") not in _LIGHTS:
            _fail("newLight: no light %r" % type_)
        return _Handle("light", type_, _params(params, _LIGHTS[type_], "newLight " + type_))

    def lightOn(self, light):
        _handle(light, "light", "lightOn")
        _counts["lights"] += 1

    def newTexture(self, name):
        return _Handle("texture", "file", [("name", [_string(name, "newTexture")])])

    def newPattern(self, type_, params):
        if type_ != "map":
            _fail("newPattern: no pattern %r" % type_)
        return _Handle("pattern", type_, _params(params, _PATTERN, "newPattern"))

    def newMaterial(self, type_, params):
        if type_ != "standard":
            _fail("newMaterial: no material %r" % type_)
        m = _Handle("material", type_, _params(params, _MATERIAL, "newMaterial"), _counts["materials"])
        _counts["materials"] += 1
        return m

    def materialBegin(self, material):
        self.materials.append(_handle(material, "material", "materialBegin"))

    def materialEnd(self):
        if not self.materials:
            _fail("materialEnd without materialBegin")
        self.materials.pop()

    def newObject(self, type_, params):
        if type_ != "mesh":
            _fail("newObject: no object %r" % type_)
        return _Handle("object", type_, _mesh(_params(params, _MESH, "newObject mesh")))

    def addObject(self, obj):
        _handle(obj, "object", "addObject")
        if not self.materials:
            _fail("addObject outside a material block")
        for tri in obj.params:
            _record.append("triangle %d %s" % (self.materials[-1].number,
                                               " ".join(repr(c) for v in tri for c in v)))

    def newImager(self, type_, params):
        if type_ != "tga-saver":
            _fail("newImager: no imager %r" % type_)
        return _Handle("imager", type_, _params(params, _SAVER, "newImager"))

    def imagerBegin(self, imager):
        self.imagers.append(_handle(imager, "imager", "imagerBegin"))

    def imagerEnd(self):
        if not self.imagers:
            _fail("imagerEnd without imagerBegin")
        self.imagers.pop()

    def newCamera(self, type_, params):
        if type_ != "pinhole":
            _fail("newCamera: no camera %r" % type_)
        if not self.imagers:
            _fail("newCamera outside an imager block")
        got = dict(_params(params, _CAMERA, "newCamera"))
        for key in _CAMERA:
            if key not in got:
                _fail("newCamera: no %r" % key)
        values = list(got["eye"][0].v) + list(got["aim"][0].v) + list(got["up"][0].v)
        values += [got["fov"][0], got["aspect"][0]]
        _record.append("camera " + " ".join(repr(float(v)) for v in values))
        return _Handle("camera", type_, got)

    def render(self, camera, width, height):
        _handle(camera, "camera", "render")
        if _integer(width, "render") <= 0 or _integer(height, "render") <= 0:
            _fail("render: a picture of %dx%d" % (width, height))
        if self.materials or self.imagers:
            _fail("render inside a material or imager block")
        _record.append("render %d %d" % (width, height))


def _finish():
    for s in _scenes:
        if s.materials or s.imagers:
            sys.stderr.write("LightflowError: a material or imager block left open\n")
            os._exit(3)
    path = os.environ.get("LIGHTFLOW_STUB_OUT")
    if path:
        with open(path, "w") as f:
            for line in _record:
                f.write(line + "\n")
            f.write("lights %d\nmaterials %d\n" % (_counts["lights"], _counts["materials"]))


atexit.register(_finish)
