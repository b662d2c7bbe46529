// The object tree of a .x body, built the same way from the tokens of the
// text and the binary form: a scanner gives words (names), strings, GUIDs,
// braces, the template keyword and data tokens; this walks them.
#pragma once
#include <cstddef>
#include <string>

#include "xfile.h"
#include "xfile_format.h"

namespace kvx {

enum class TokKind { kEnd, kError, kWord, kString, kGuid, kOBrace, kCBrace, kTemplate, kData };

struct Tok {
  TokKind kind = TokKind::kEnd;
  size_t begin = 0;  // offset of the token in the body
};

// Scanner: Tok Next(); size_t Pos(); void Seek(size_t); std::string Word(const Tok&);
// bool Guid(const Tok&, XGuid*); const std::string& error().
template <class Scanner>
class BodyParser {
 public:
  BodyParser(Scanner& s, XFile* x) : s_(s), x_(x) {}

  bool Run(std::string* error) {
    for (;;) {
      Tok t = s_.Next();
      switch (t.kind) {
        case TokKind::kEnd: return true;
        case TokKind::kError: return Failed(error, s_.error());
        case TokKind::kTemplate:
          if (!Template()) return Failed(error, error_);
          break;
        case TokKind::kWord:
          if (!Object(t, -1, 0)) return Failed(error, error_);
          break;
        case TokKind::kOBrace: {
          XChild ref;
          if (!Reference(&ref)) return Failed(error, error_);
          break;  // a reference outside every object names nothing to place
        }
        default: break;
      }
    }
  }

 private:
  bool Failed(std::string* error, const std::string& why) {
    if (error) *error = why;
    return false;
  }

  // After the type word: [name] [<guid>] '{' data children '}'.
  bool Object(const Tok& type, int parent, int depth) {
    if (depth >= kMaxDepth) return Fail("objects nested deeper than " + std::to_string(kMaxDepth) + " levels");
    XObject o;
    o.type = s_.Word(type);
    o.parent = parent;
    Tok t = s_.Next();
    if (t.kind == TokKind::kWord) {
      o.name = s_.Word(t);
      t = s_.Next();
    }
    if (t.kind == TokKind::kGuid) {
      o.has_guid = s_.Guid(t, &o.guid);
      t = s_.Next();
    }
    if (t.kind == TokKind::kError) return Fail(s_.error());
    if (t.kind != TokKind::kOBrace) return Fail("'{' expected after " + o.type + " at offset " + std::to_string(t.begin));
    o.data_begin = o.data_end = s_.Pos();
    const int self = x_->AddObject(std::move(o));
    if (parent >= 0)
      x_->object_ref(parent).children.push_back(XChild{self, {}, false, {}});
    else
      x_->AddTopLevel(self);
    bool data_open = true;
    auto close_data = [&](size_t at) {
      if (data_open) x_->object_ref(self).data_end = at;
      data_open = false;
    };
    for (;;) {
      const size_t before = s_.Pos();
      t = s_.Next();
      switch (t.kind) {
        case TokKind::kEnd:
          close_data(before);
          return Fail("the file ends inside " + x_->object(self).type);
        case TokKind::kError:
          close_data(before);
          return Fail(s_.error());
        case TokKind::kCBrace: close_data(t.begin); return true;
        case TokKind::kOBrace: {
          close_data(t.begin);
          XChild ref;
          if (!Reference(&ref)) return false;
          x_->object_ref(self).children.push_back(std::move(ref));
          break;
        }
        case TokKind::kWord:
          if (StartsObject()) {
            close_data(t.begin);
            if (!Object(t, self, depth + 1)) return false;
          }
          break;  // else a bare word among the data
        default: break;
      }
    }
  }

  // After a word: does [word] [guid] '{' follow? The position is kept.
  bool StartsObject() {
    const size_t at = s_.Pos();
    Tok t = s_.Next();
    if (t.kind == TokKind::kWord) t = s_.Next();
    if (t.kind == TokKind::kGuid) t = s_.Next();
    const bool yes = t.kind == TokKind::kOBrace;
    s_.Seek(at);
    return yes;
  }

  // After '{': name and/or GUID, then '}'.
  bool Reference(XChild* ref) {
    for (;;) {
      Tok t = s_.Next();
      switch (t.kind) {
        case TokKind::kEnd: return Fail("the file ends inside a reference");
        case TokKind::kError: return Fail(s_.error());
        case TokKind::kCBrace: return true;
        case TokKind::kOBrace: return Fail("'{' inside a reference at offset " + std::to_string(t.begin));
        case TokKind::kWord:
          if (ref->ref_name.empty()) ref->ref_name = s_.Word(t);
          break;
        case TokKind::kGuid: ref->ref_guid = s_.Guid(t, &ref->guid); break;
        default: break;
      }
    }
  }

  // After the keyword: name '{' <guid> members '}'; kept by name only.
  bool Template() {
    XTemplate tp;
    Tok t = s_.Next();
    if (t.kind == TokKind::kWord) {
      tp.name = s_.Word(t);
      t = s_.Next();
    }
    if (t.kind != TokKind::kOBrace) return Fail("'{' expected after template " + tp.name);
    for (;;) {
      t = s_.Next();
      if (t.kind == TokKind::kEnd) return Fail("the file ends inside template " + tp.name);
      if (t.kind == TokKind::kError) return Fail(s_.error());
      if (t.kind == TokKind::kOBrace) return Fail("'{' inside template " + tp.name);
      if (t.kind == TokKind::kGuid) s_.Guid(t, &tp.guid);
      if (t.kind == TokKind::kCBrace) break;
    }
    x_->AddTemplate(std::move(tp));
    return true;
  }

  bool Fail(const std::string& why) {
    if (error_.empty()) error_ = why;
    return false;
  }

  Scanner& s_;
  XFile* x_;
  std::string error_;
};

}  // namespace kvx
