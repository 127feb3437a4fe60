// The http connection's readers of what a server sends: the date parser over
// arbitrary header values, and the splitting of the raw header text into
// entries. The input's first byte picks the reader; the rest is the text, a
// byte per character (so every ASCII form the parser knows is reachable)
// or, with the byte's low bit set, UTF-16 from byte pairs. The parser may
// refuse a text only with IllegalArgumentException "Error parsing date";
// anything else it throws, any memory fault, and any entry that reaches
// outside its line or holds a line break is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "HAL_http.h"
#include "VMClass.h"
#include "com_nimbault_marl_midp_io_protocol_http_Protocol.h"
#include "java_lang_IllegalArgumentException.h"
#include "java_lang_String.h"
#include "fuzz_support.h"

using com::nimbault::marl::midp::io::protocol::http::Protocol;

namespace {

std::u16string textOf(const uint8_t* data, size_t size, bool wide) {
    std::u16string text;
    if (wide) {
        for (size_t i = 0; i + 1 < size; i += 2) text += char16_t(data[i] | data[i + 1] << 8);
    } else {
        for (size_t i = 0; i < size; ++i) text += char16_t(data[i]);
    }
    return text;
}

void parseDate(const std::u16string& text) {
    VMPtr<java::lang::String> s = java::lang::String::make(text.data(), jint(text.size()));
    try {
        jlong first = Protocol::parseDate(s);
        if (Protocol::parseDate(s) != first) finding("the same text parsed to two instants");
    } catch (java::lang::IllegalArgumentException* caught) {
        VMPtr<java::lang::IllegalArgumentException> refused = caught;
        VMPtr<java::lang::String> message = refused->getMessage();
        if (message == nullptr || !message->equals("Error parsing date"))
            finding("a refusal without the parser's message");
    }
}

bool holdsLineBreak(const jchar* s, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (s[i] == u'\r' || s[i] == u'\n') return true;
    return false;
}

void splitHeaders(const std::u16string& text) {
    const jchar* begin = text.data();
    const jchar* end = begin + text.size();
    size_t entries = 0;
    HttpHeaders_split(begin, text.size(),
                      [&](const jchar* key, size_t keyLength, const jchar* value, size_t valueLength) {
                          if (value < begin || value > end || valueLength > size_t(end - value))
                              finding("a value outside the text");
                          if (holdsLineBreak(value, valueLength)) finding("a value across lines");
                          if (key) {
                              if (key < begin || key + keyLength >= end) finding("a key outside the text");
                              if (key + keyLength >= value) finding("a key that runs into its value");
                              if (key[keyLength] != u':') finding("a key not ended by ':'");
                              if (holdsLineBreak(key, keyLength)) finding("a key across lines");
                              for (size_t i = 0; i < keyLength; ++i)
                                  if (key[i] == u':') finding("a key holding ':'");
                              if (entries == 0) finding("a status line split into a key");
                          }
                          ++entries;
                      });
    if (entries > text.size()) finding("more entries than characters");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    startFuzzedRuntime();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const CollectAfterInput collect;
    if (size == 0 || size > 0x10000) return 0;
    std::u16string text = textOf(data + 1, size - 1, data[0] & 1);
    if (data[0] & 2) splitHeaders(text);
    else parseDate(text);
    return 0;
}
