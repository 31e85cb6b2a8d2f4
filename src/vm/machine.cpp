// The dispatch loop. Units are decoded once (program.cpp); the loop runs the decoded
// records with computed goto, keeps the stack as typed slots and counts its use in
// the machine's byte widths, so growth and "Stack overflow..." happen where the word
// layout puts them. Script calls and `with` blocks stay inside the loop.
#include "vm/machine.h"
#include "data/game.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "data/error.h"
#include "platform/console.h"
#include "platform/stack.h"
#include "value/real.h"
#include "variable/builtin_field.h"
#include "variable/instance.h"
#include "variable/variable_list.h"
#include "variable/variables.h"
#include "vm/code.h"
#include "vm/item.h"
#include "vm/item_ops.h"
#include "vm/program.h"
#include "vm/registry.h"
#include "vm/script.h"

namespace {

TExtensionCall g_extensionCall = nullptr;
TTreeRunner g_treeRunner = nullptr;
uint32_t g_deepestStack = 0;
int g_nesting = 0;  // runs and script calls in progress
// Bumped whenever the decoded programs are dropped, so that the program a script
// remembers (CScript::program) is known to be stale.
uint32_t g_programGeneration = 1;

constexpr uint32_t kStackStart = 16384;
constexpr uint32_t kStackStep = 16384;
constexpr uint32_t kStackLimit = 131072;
constexpr uint32_t kStackLow = 1024;
constexpr uint32_t kStackTopGap = 16;
constexpr int32_t kCallRecordBytes = 304;

// A script call in progress: what `ret` restores.
struct CallRecord {
    int32_t pc;  // index of the instruction after the call
    CInstance* self;
    CInstance* other;
    const VMProgram* program;
    const CDebugInfo::Unit* debug;
    const char* name;
    int debuggerLine;
    int argumentCount;
    int argumentsLive;  // the caller's argument slots in use (see CGameArguments::live)
    CVariableList* locals;
    size_t slotBase;           // where the arguments began
    int64_t usedBase;          // stack use before the arguments
    const void* const* table;  // the caller's dispatch: checked or not
    CValue arguments[16];
};

// A `with` environment, kept on the slot stack as one slot whose `str` points here.
struct WithEnvironment {
    CInstance* savedSelf;
    CInstance* savedOther;
    std::vector<CInstance*> pending;  // instances still to visit, the next one last
    bool list;                        // the list form (three or more instances)
};
constexpr uint8_t kEnvironmentSlot = 0x20;

// Per run: the stack and the call records, pooled by run depth so that a run
// allocates nothing once its depth has been reached before.
struct RunStorage {
    std::vector<VMSlot> slots;
    std::vector<std::unique_ptr<CallRecord>> records;
    std::vector<std::unique_ptr<WithEnvironment>> environments;
    size_t envUsed = 0;
    // A built-in call's arguments; each call releases what it put here, so they are
    // empty between calls and a run need not construct its own.
    CValue callArgs[16];
};
std::vector<std::unique_ptr<RunStorage>> g_storage;
int g_runDepth = 0;
// Nested runs allowed at once (see the check at the start of a run).
constexpr int kMaxRunDepth = 400;

const char* UnitName(const char* name) { return name ? name : ""; }

// Per run or call depth, the nodes of the locals its unit names, by slot (see
// VMProgram::localSlots): looked up on first use, then read from here. A depth's local
// list is emptied only when a new run or call enters that depth, which starts its
// array afresh too, so a node kept here lives as long as the entry.
std::vector<std::vector<CVariable*>> g_localNodes;

void GrowLocalNodes(int depth, int32_t slots) {
    if (g_localNodes.size() <= size_t(depth)) g_localNodes.resize(size_t(depth) + 1);
    std::vector<CVariable*>& nodes = g_localNodes[size_t(depth)];
    if (nodes.size() < size_t(slots)) nodes.resize(size_t(slots));
}

inline CVariable** StartLocalNodes(int depth, int32_t slots) {
    if (g_localNodes.size() <= size_t(depth) || g_localNodes[size_t(depth)].size() < size_t(slots)) [[unlikely]]
        GrowLocalNodes(depth, slots);
    CVariable** nodes = g_localNodes[size_t(depth)].data();
    std::fill_n(nodes, slots, nullptr);
    return nodes;
}

CVariable** LocalNodes(int depth) { return g_localNodes[size_t(depth)].data(); }

// The variable pool's local list of each depth, kept here so that entering a depth
// costs no call when its list is already empty (the pool's lists live as long as the
// process).
std::vector<CVariableList*> g_localLists;

CVariableList* GrowLocalLists(int depth) {
    CVariableList* list = Variable_LocalsForDepth(depth);
    if (g_localLists.size() <= size_t(depth)) g_localLists.resize(size_t(depth) + 1, nullptr);
    g_localLists[size_t(depth)] = list;
    return list;
}

// The emptied local list of a run or call entering `depth`.
inline CVariableList* EnterLocals(int depth) {
    if (size_t(depth) >= g_localLists.size() || !g_localLists[size_t(depth)]) [[unlikely]]
        return GrowLocalLists(depth);
    CVariableList* list = g_localLists[size_t(depth)];
    if (list->Count() > 0) [[unlikely]]
        list->Clear();
    return list;
}

// The node of the local an access record names, or null while it does not exist.
inline CVariable* LocalNode(CVariable** nodes, const CVariableList* locals, const VMInst& in) {
    CVariable*& node = nodes[in.k.i];
    if (!node) [[unlikely]]
        node = locals->Find(in.a);
    return node;
}

struct Frame {
    RunStorage* storage;
    VMSlot* base;  // the first slot
    VMSlot* sp;    // one past the top item
    int64_t used;  // stack use in the machine's byte widths
    uint32_t region;
    const VMProgram* program;
    const VMInst* insts;
    int32_t pc;  // index of the next instruction
    CInstance* self;
    CInstance* other;
    CVariableList* locals;
    const char* name;
    const CDebugInfo::Unit* debug;
    int debuggerLine;
    int callDepth;
    bool failed;
};

const CDebugInfo::Unit* DebugUnit(int codeIndex) {
    const CGameResources& res = *Game().resources;
    if (codeIndex < 0 || size_t(codeIndex) >= res.debugInfo.units.size()) return nullptr;
    return &res.debugInfo.units[codeIndex];
}

const char* CodeName(int codeIndex) {
    const CGame& game = Game();
    const CGameResources& res = *game.resources;
    if (codeIndex < 0 || size_t(codeIndex) >= res.code.entries.size()) return "";
    const CCodeEntry& e = res.code.entries[codeIndex];
    return e.offset ? game.data.Text(e.nameOffset) : "";
}

// A unit compiled from text carries its own name and debug pairs.
const CDebugInfo::Unit* DebugOf(const CCode& code) { return code.index >= 0 ? DebugUnit(code.index) : &code.debug; }
const char* NameOf(const CCode& code) { return code.index >= 0 ? CodeName(code.index) : code.name.c_str(); }

// Source line of a byte offset: the last debug pair at or before it, counted in line feeds.
int SourceLine(const CDebugInfo::Unit* debug, uint32_t pc, std::string* text) {
    if (text) *text = "<unknown source line>";
    if (!debug || debug->positions.empty()) return 0;
    const std::pair<uint32_t, uint32_t>* found = nullptr;
    for (const auto& p : debug->positions) {
        if (p.first > pc) break;
        found = &p;
    }
    if (!found) return 0;
    size_t pos = std::min<size_t>(found->second, debug->source.size());
    int line = 0;
    size_t lineStart = 0;
    for (size_t i = 0; i < pos; ++i)
        if (debug->source[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    if (text) {
        size_t end = debug->source.find_first_of("\r\n", lineStart);
        if (end == std::string::npos) end = debug->source.size();
        *text = debug->source.substr(lineStart, std::min<size_t>(end - lineStart, 255));
    }
    return line;
}

uint32_t FramePc(const Frame& f) {
    // The byte offset after the instruction that ran last.
    if (f.pc <= 0) return 0;
    const VMInst& in = f.insts[f.pc - 1];
    const VMInst& next = f.insts[f.pc];
    (void)in;
    return next.pc;
}

// The run-time error report: every machine error ends here.
void RaiseError(Frame& f, const char* format, ...) __attribute__((format(printf, 2, 3)));
void RaiseError(Frame& f, const char* format, ...) {
    f.failed = true;
    if (Game().error.silent) {
        Game().error.flag = true;
        f.failed = false;
        return;
    }
    char message[2048];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);

    const std::string hashes(92, '#');
    std::string report;
    report.reserve(102400);
    std::string lineText;
    int line = SourceLine(f.debug, FramePc(f), &lineText);
    report += hashes + "\n";
    report += "VMError!! Occurred - ";
    report += message;
    char buf[1024];
    std::snprintf(buf, sizeof buf, " at %s (line %d) - %s\n", UnitName(f.name), line, lineText.c_str());
    report += buf;
    report += hashes + "\n";
    if (f.locals && f.locals->Count() > 0) {
        report += hashes + "\n";
        report += "Local Variables : \n";
        report += f.locals->Dump();
    }
    if (f.self && f.self->variables && f.self->variables->Count() > 0) {
        report += "Self Variables : \n";
        report += f.self->variables->Dump();
    }
    if (Game().globals->list->Count() > 0) {
        report += "Global Variables : \n";
        report += Game().globals->list->Dump();
    }
    if (f.callDepth > 0) {
        std::snprintf(buf, sizeof buf, "stack frame is\n%s (line %d)\n", UnitName(f.name), f.debuggerLine);
        report += buf;
        for (int d = f.callDepth - 1; d >= 0; --d) {
            const CallRecord& rec = *f.storage->records[d];
            if (!rec.program) continue;
            uint32_t savedPc = rec.program->insts[rec.pc].pc;
            int callerLine = SourceLine(rec.debug, savedPc, &lineText);
            std::snprintf(buf, sizeof buf, "called from - %s (line %d) - %s\n", UnitName(rec.name), callerLine,
                          lineText.c_str());
            report += buf;
            if (rec.locals) report += rec.locals->Dump();
        }
    }
    Code_ShowError(report, true);
}

// argument0 .. argument15 have consecutive built-in ids from here.
constexpr int32_t kArgument0Id = 2;

// Value moves and real stores written out here, so that the sixteen argument slots a
// script call saves and restores, mostly empty reals, cost no calls.
inline void MoveValue(CValue& to, CValue& from) {
    if (to.str) Text_Free(to.str);
    to.kind = from.kind;
    to.str = from.str;
    to.val = from.val;
    from.kind = CValue::kReal;
    from.str = nullptr;
    from.val = 0;
}

// The caller's argument slots back after a script call; slots the callee used beyond
// the caller's take the record's empty values.
inline void RestoreArguments(CGameArguments& arguments, CallRecord& rec) {
    const int live = std::max(arguments.live, rec.argumentsLive);
    for (int k = 0; k < live; ++k) MoveValue(arguments.slots[k], rec.arguments[k]);
    arguments.live = rec.argumentsLive;
}

inline void SetRealValue(CValue& to, double v) {
    if (to.str) Text_Free(to.str);
    to.str = nullptr;
    to.kind = CValue::kReal;
    to.val = v;
}

inline void ReleaseSlot(VMSlot& s) {
    if (s.type == kEnvironmentSlot) return;  // owned by the run's storage
    if (s.str) {
        Text_Free(s.str);
        s.str = nullptr;
    }
}

VariableScope ScopeOf(const Frame& f) { return VariableScope{f.self, f.other, f.locals}; }

void PrintVariableTrace(int id, const CValue& v) {
    if (v.IsString()) Console().Output("%s == \"%s\"\n", Variable_Name(id), v.str ? v.str : "null");
    else Console().Output("%s == %s\n", Variable_Name(id), Real_ToMachineText(v.val).c_str());
}

// The slot stack holds at least one slot per 4 bytes of use, so sizing it by the
// region means pushes never need their own check.
void EnsureSlots(Frame& f) {
    size_t needed = f.region / 4 + 8;
    if (f.storage->slots.size() >= needed) return;
    size_t top = size_t(f.sp - f.base);
    f.storage->slots.resize(needed);
    f.base = f.storage->slots.data();
    f.sp = f.base + top;
}

WithEnvironment* NewEnvironment(Frame& f) {
    auto& pool = f.storage->environments;
    if (f.storage->envUsed == pool.size()) pool.push_back(std::make_unique<WithEnvironment>());
    WithEnvironment* env = pool[f.storage->envUsed++].get();
    env->pending.clear();
    return env;
}

void FreeEnvironment(Frame& f) {
    if (f.storage->envUsed > 0) --f.storage->envUsed;
}

// Lays a `with` environment for `target` and says whether the body runs.
bool PushEnvironment(Frame& f, int32_t target) {
    WithEnvironment* env = NewEnvironment(f);
    env->savedSelf = f.self;
    env->savedOther = f.other;
    env->list = false;
    VMSlot s{};
    s.type = kEnvironmentSlot;
    s.str = reinterpret_cast<char*>(env);
    *f.sp++ = s;
    f.used += 12;
    static thread_local std::vector<CInstance*> found;
    switch (target) {
    case -1:
    case -6: f.other = f.self; return true;
    case -2: std::swap(f.self, f.other); return true;
    case -4: return false;
    default: break;
    }
    if (target >= 100000) {
        CInstance* inst = Game().world->Find(target);
        if (!inst || inst->marked) return false;
        f.other = f.self;
        f.self = inst;
        return true;
    }
    if (target == -3) Game().world->All(found);
    else if (target >= 0 && Game().world->ObjectExists(target)) Game().world->OfObject(target, found);
    else found.clear();
    if (found.empty()) return false;
    f.other = f.self;
    if (found.size() == 1) {
        f.self = found[0];
    } else if (found.size() == 2) {
        // A 0 lies beneath B: the body runs for A, then B, and ends.
        env->pending.push_back(found[1]);
        f.self = found[0];
    } else {
        // The list form visits the last instance first, then backwards through the list.
        env->list = true;
        env->pending.assign(found.begin(), found.end() - 1);
        f.self = found.back();
        f.used += 8;
    }
    return true;
}

// One pass of a `with` body ended: the next instance, or the block's end.
bool PopEnvironment(Frame& f, bool leave) {
    if (f.sp == f.base || f.sp[-1].type != kEnvironmentSlot) return false;
    WithEnvironment* env = reinterpret_cast<WithEnvironment*>(f.sp[-1].str);
    if (!leave && !env->pending.empty()) {
        f.self = env->pending.back();
        env->pending.pop_back();
        return true;
    }
    f.self = env->savedSelf;
    f.other = env->savedOther;
    f.used -= env->list ? 20 : 12;
    --f.sp;
    FreeEnvironment(f);
    return false;
}

bool ValueFromOtherSlot(VMSlot& s, CValue& out) {
    switch (s.type) {
    case eVM_Double: SetRealValue(out, s.d); return true;
    case eVM_Int: SetRealValue(out, s.i); return true;
    case eVM_Long: SetRealValue(out, double(s.l)); return true;
    case eVM_Bool: SetRealValue(out, s.Truth() ? 1.0 : 0.0); return true;
    case eVM_Float: SetRealValue(out, s.f); return true;
    case eVM_String:
        out.TakeString(s.str);
        s.str = nullptr;
        return true;
    case eVM_Variable: s.MoveToValue(out); return true;
    default: return false;
    }
}

// Moves an item's value into a value; false for an item that holds none.
inline bool ValueFromSlot(VMSlot& s, CValue& out) {
    if ((s.type == eVM_Variable && s.kind == CValue::kReal && !s.str) || s.type == eVM_Double) {
        SetRealValue(out, s.d);
        return true;
    }
    return ValueFromOtherSlot(s, out);
}

// Pops an index or scope operand: an int item, or a number truncated to one.
inline int32_t PopInt(VMSlot*& sp) {
    VMSlot& s = *--sp;
    int32_t v = s.type == eVM_Int ? s.i : (s.type == eVM_Double || s.type == eVM_Variable) ? Real_TruncToInt32(s.d) : 0;
    ReleaseSlot(s);
    return v;
}

// The operands a variable access pops: the array index first (bit 31 clear), then the
// scope (bit 29 clear; bit 30 adds 100000); the others come from the instruction.
inline void PopIndexAndScope(VMSlot*& sp, const VMInst& in, int32_t& index, int32_t& scope) {
    index = 0;
    scope = in.c;
    if (!(in.b & int32_t(0x80000000u))) index = PopInt(sp);
    if (!(in.b & 0x20000000)) {
        scope = PopInt(sp);
        if (in.b & 0x40000000) scope += 100000;
    }
}

// A number an arithmetic fast path may take: a double, an int, or a variable holding a real.
inline bool NumberOf(const VMSlot& s, double& out) {
    if (s.type == eVM_Double || (s.type == eVM_Variable && s.kind == CValue::kReal)) {
        out = s.d;
        return true;
    }
    if (s.type == eVM_Int) {
        out = s.i;
        return true;
    }
    return false;
}

// A real read straight from a variable node, when the node holds a plain real.
inline bool NodeReal(const CVariable* node, double& out) {
    if (!node || node->value.kind != CValue::kReal) return false;
    out = node->value.val;
    return true;
}

// The instance field a built-in's getter reads, as that getter gives it.
inline bool ReadField(const CInstance& self, const CInstanceField& field, double& out) {
    switch (field.kind) {
    case CInstanceField::kFloat: out = double(self.*field.f); return true;
    case CInstanceField::kInt: out = double(self.*field.i); return true;
    case CInstanceField::kUnsigned: out = double(self.*field.u); return true;
    case CInstanceField::kFlag: out = self.*field.flag ? 1.0 : 0.0; return true;
    default: return false;
    }
}

// Stores a real as a node's plain value when nothing else is involved.
inline bool StoreReal(CVariable* node, const VMSlot& v) {
    double d;
    if (!node || node->value.str || !NumberOf(v, d)) return false;
    node->value.kind = CValue::kReal;
    node->value.val = d;
    return true;
}

// A plain access (no index, scope in the instruction) to an unqualified user variable
// that no globalvar declared: the instance's own variable, as for self. Kept out of the
// dispatch loop, whose code the compiler lays out as one.
inline bool UnqualifiedInstanceVariable(const VMInst& in, const CInstance* self) {
    constexpr int32_t kNoIndexImmediate = int32_t(0x80000000u | 0x20000000u);
    return (in.b & int32_t(0xE0000000u)) == kNoIndexImmediate && in.a >= kUserVariableStorageBase && self &&
           self->variables && !Variable_IsDeclaredGlobal(in.a);
}

__attribute__((noinline)) bool UnqualifiedReal(const VMInst& in, const CInstance* self, double& out) {
    return UnqualifiedInstanceVariable(in, self) && NodeReal(self->variables->Find(in.a), out);
}

__attribute__((noinline)) bool StoreUnqualifiedReal(const VMInst& in, const CInstance* self, const VMSlot& v) {
    return UnqualifiedInstanceVariable(in, self) && StoreReal(self->variables->Find(in.a), v);
}

// The comparison rule on a real difference.
__attribute__((always_inline)) inline bool CompareReals(uint8_t opcode, double d) {
    switch (opcode) {
    case kOpSlt: return d < -kRealTolerance;
    case kOpSle: return d <= kRealTolerance;
    case kOpSeq: return d > -kRealTolerance && d < kRealTolerance;
    case kOpSne: return d < -kRealTolerance || d > kRealTolerance;
    case kOpSge: return d >= -kRealTolerance;
    default: return d > kRealTolerance;
    }
}

// Arithmetic on two reals as a variable operand gets it; false where the generic rules
// have more to say (a zero divisor, another operation).
__attribute__((always_inline)) inline bool RealArithmetic(uint8_t opcode, double a, double b, double& v) {
    switch (opcode) {
    case kOpAdd: v = a + b; return true;
    case kOpSub: v = a - b; return true;
    case kOpMul: v = a * b; return true;
    case kOpMod: v = Real_Remainder(a, b); return true;
    case kOpDiv:
        if (Real_IsZeroDivisor(b)) return false;
        v = a / b;
        return true;
    default: return false;
    }
}

// Element `index` of a variable when it is already stored (index 0 is the value itself).
inline CValue* StoredElement(CVariable* node, int32_t index) {
    if (index == 0) return &node->value;
    if (uint32_t(index) < uint32_t(kArrayRowStride)) {  // row 0: no division
        if (node->rows.empty()) return nullptr;
        auto& elements = node->rows[0].elements;
        return size_t(index) < elements.size() ? &elements[size_t(index)] : nullptr;
    }
    const int32_t row = index / kArrayRowStride;
    const int32_t column = index % kArrayRowStride;
    if (row < 0 || column < 0 || row >= node->RowCount()) return nullptr;
    auto& elements = node->rows[size_t(row)].elements;
    return size_t(column) < elements.size() ? &elements[size_t(column)] : nullptr;
}

struct RunEntry {
    const VMProgram* program;
    const char* name;
    const CDebugInfo::Unit* debug;
};

bool Run(const RunEntry& entry, CInstance* self, CInstance* other, CValue* result);

}  // namespace

// The session's code units as decoded programs, each decoded on its first run.
struct CDecodedPrograms {
    std::vector<std::unique_ptr<VMProgram>> programs;
    std::vector<bool> decoded;
};

void VM_ResetPrograms() {
    CDecodedPrograms& cache = *Game().programs;
    cache.programs.clear();
    cache.decoded.clear();
    ++g_programGeneration;
}

const VMProgram* VM_Program(int codeIndex) {
    CGame& game = Game();
    const CGameResources& res = *game.resources;
    if (codeIndex < 0 || size_t(codeIndex) >= res.code.entries.size()) return nullptr;
    CDecodedPrograms& cache = *game.programs;
    if (cache.programs.size() < res.code.entries.size()) {
        cache.programs.resize(res.code.entries.size());
        cache.decoded.resize(res.code.entries.size());
    }
    if (!cache.decoded[codeIndex]) {
        const CCodeEntry& e = res.code.entries[codeIndex];
        if (e.offset)
            cache.programs[codeIndex] = VM_Decode(game.data, res, game.data.Base() + e.bytecodeOffset, e.length);
        cache.decoded[codeIndex] = true;
    }
    return cache.programs[codeIndex].get();
}

VMSettings& VM_Settings() {
    static VMSettings settings;
    return settings;
}

void VM_SetExtensionCall(TExtensionCall call) { g_extensionCall = call; }
void VM_SetTreeRunner(TTreeRunner run) { g_treeRunner = run; }
TExtensionCall VM_ExtensionCall() { return g_extensionCall; }
uint32_t VM_DeepestStackUse() { return g_deepestStack; }

bool VM_RunIndex(int index, CInstance* self, CInstance* other, CValue* result) {
    Game().error.flag = false;
    const VMProgram* program = VM_Program(index);
    if (!program) return true;
    return Run(RunEntry{program, CodeName(index), DebugUnit(index)}, self, other, result);
}

const VMProgram* VM_CodeProgram(const CCode& code) {
    if (code.index >= 0) return VM_Program(code.index);
    if (!code.compiled || code.kind == CCode::kConstant) return nullptr;
    if (!code.program) code.program = VM_Decode(code.buffer.data, code.buffer.size, code.strings);
    return code.program.get();
}

bool VM_RunProgram(const VMProgram& program, const char* name, const CDebugInfo::Unit* debug, CInstance* self,
                   CInstance* other, CValue* result) {
    return Run(RunEntry{&program, name, debug}, self, other, result);
}

bool Code_Execute(CInstance* self, CInstance* other, const CCode* code, CValue* result) {
    Game().error.flag = false;
    if (!code) return true;
    if (code->index >= 0) return VM_RunIndex(code->index, self, other, result);
    if (!code->compiled) return true;
    if (code->kind == CCode::kConstant) {
        if (result) result->Copy(code->constant);
        return true;
    }
    if (VM_Settings().treeInterpreter)
        return g_treeRunner ? g_treeRunner(self, other, *code, result) : !Code_EndingOnError();
    const VMProgram* program = VM_CodeProgram(*code);
    if (!program) return true;
    return Run(RunEntry{program, code->name.c_str(), &code->debug}, self, other, result);
}

namespace {

// A script's program, remembered on the script until the programs are decoded afresh.
inline const VMProgram* ScriptProgram(const CScript& script) {
    if (script.programGeneration != g_programGeneration) [[unlikely]] {
        script.program = script.code ? VM_CodeProgram(*script.code) : nullptr;
        if (script.program) {
            script.programDebug = DebugOf(*script.code);
            script.programName = NameOf(*script.code);
        }
        script.programGeneration = g_programGeneration;
    }
    return script.program;
}

bool Run(const RunEntry& entry, CInstance* self, CInstance* other, CValue* result) {
    if (Code_EndingOnError()) return false;
    const VMProgram* program = entry.program;
    if (program->length == 0) return true;
    if (VM_Settings().callTrace) Console().Output("script = %s\n", UnitName(entry.name));

    if (size_t(g_runDepth) >= g_storage.size()) g_storage.push_back(std::make_unique<RunStorage>());
    RunStorage* storage = g_storage[g_runDepth].get();
    ++g_runDepth;
    const size_t envMark = storage->envUsed;

    Frame f{};
    f.storage = storage;
    f.region = kStackStart;
    if (storage->slots.size() < f.region / 4 + 8) storage->slots.resize(f.region / 4 + 8);
    f.base = f.sp = storage->slots.data();
    f.program = program;
    f.insts = program->insts.data();
    f.self = self;
    f.other = other;
    f.name = entry.name;
    f.debug = entry.debug;
    const int savedArgumentCount = Game().arguments.count;
    ++g_nesting;
    f.locals = EnterLocals(g_nesting);
    CVariable** nodes = StartLocalNodes(g_nesting, program->localSlots);

    // The session cannot change while its code runs.
    CGame& game = Game();
    CGameArguments& gameArguments = game.arguments;
    CValue* const arguments = gameArguments.slots;
    static const void* const kTable[hCount] = {
        &&op_nop,
        &&op_conv,
        &&op_binary,
        &&op_add_dd,
        &&op_sub_dd,
        &&op_mul_dd,
        &&op_div_dd,
        &&op_add_ii,
        &&op_sub_ii,
        &&op_mul_ii,
        &&op_unary,
        &&op_compare,
        &&op_cmp_dd,
        &&op_push_d,
        &&op_push_f,
        &&op_push_i,
        &&op_push_l,
        &&op_push_b,
        &&op_push_s,
        &&op_push_e,
        &&op_push_var,
        &&op_push_local,
        &&op_push_self,
        &&op_push_global,
        &&op_pop,
        &&op_pop_local,
        &&op_pop_self,
        &&op_pop_global,
        &&op_pop_bad,
        &&op_dup,
        &&op_popz,
        &&op_b,
        &&op_bt,
        &&op_bf,
        &&op_pushenv,
        &&op_popenv,
        &&op_popenv_break,
        &&op_call,
        &&op_call_bad_type,
        &&op_ret,
        &&op_exit,
        &&op_end,

        &&op_local_cmp_k_branch_slt,
        &&op_local_cmp_k_branch_sle,
        &&op_local_cmp_k_branch_seq,
        &&op_local_cmp_k_branch_sne,
        &&op_local_cmp_k_branch_sge,
        &&op_local_cmp_k_branch_sgt,
        &&op_local_cmp_local_branch_slt,
        &&op_local_cmp_local_branch_sle,
        &&op_local_cmp_local_branch_seq,
        &&op_local_cmp_local_branch_sne,
        &&op_local_cmp_local_branch_sge,
        &&op_local_cmp_local_branch_sgt,
        &&op_local_op_k_add,
        &&op_local_op_k_sub,
        &&op_local_op_k_mul,
        &&op_local_op_k_div,
        &&op_local_op_k_mod,
        &&op_local_op_local_add,
        &&op_local_op_local_sub,
        &&op_local_op_local_mul,
        &&op_k_op_add,
        &&op_k_op_sub,
        &&op_k_op_mul,
        &&op_k_op_div,
        &&op_k_op_mod,
        &&op_op_pop_local_add,
        &&op_op_pop_local_sub,
        &&op_op_pop_local_mul,
        &&op_local_op_k_pop_local_add,
        &&op_local_op_k_pop_local_sub,
        &&op_local_op_k_pop_local_mul,
        &&op_local_index_push,
        &&op_local_index_pop,
    };
    static_assert(sizeof kTable / sizeof kTable[0] == hCount);

    // The hot state lives in locals (registers); the frame gets a copy whenever a
    // helper needs it.
    VMSlot* sp = f.sp;
    int64_t used = f.used;
    int32_t pc = f.pc;
    const VMInst* insts = f.insts;
#define SAVE() (f.sp = sp, f.used = used, f.pc = pc, f.insts = insts)
#define LOAD() (sp = f.sp, used = f.used, pc = f.pc, insts = f.insts)
#define RAISE(...)                  \
    do {                            \
        SAVE();                     \
        RaiseError(f, __VA_ARGS__); \
    } while (0)
    const VMInst* in = nullptr;
    const bool tracing = VM_Settings().instructionTrace;
    const bool callTrace = VM_Settings().callTrace;
    // Tracing dispatches every instruction to the trace first, so the plain loop has
    // no test for it; the stack's growth point is kept in a register.
    // The checked dispatch tests the growth rule before each instruction and runs the
    // plain handlers; the unchecked one runs while the stack cannot reach its growth
    // point before the next backward branch, whose bound (and a unit's at its start)
    // picks the dispatch again.
    static const void* checkTable[hCount];
    static const void* traceTable[hCount];
    if (!checkTable[0])
        for (int k = 0; k < hCount; ++k) {
            checkTable[k] = &&check;
            traceTable[k] = &&trace_check;
        }
    const void* const* const fastTable = tracing ? traceTable : kTable;
    const void* const* const slowTable = tracing ? traceTable : checkTable;
    int64_t growAt = int64_t(f.region) - (kStackTopGap + kStackLow);
    const void* const* table = used + program->growth > growAt ? slowTable : fastTable;
    // Locals of the handlers live here: computed gotos leave blocks without running
    // destructors, so nothing with one may be declared inside a handler.
    std::string traceText;
    CValue scratch;
    CValue* const callArgs = storage->callArgs;
    std::vector<CValue> manyArgs;
    CValue callResult;
    VMSlot retValue{};

#define CHECK_FAILED()           \
    do {                         \
        if (f.failed) goto done; \
    } while (0)

#define DISPATCH()                \
    do {                          \
        in = &insts[pc++];        \
        goto* table[in->handler]; \
    } while (0)
    // After a jump backwards: the dispatch for the stretch that begins there.
#define JUMP_CHECK(BOUND)                                                                       \
    do {                                                                                        \
        if ((BOUND) != kNoGrowthCheck) table = used + (BOUND) > growAt ? slowTable : fastTable; \
    } while (0)

    // Runs nest through the built-ins that perform events or run code (an instance
    // created from its own object's Create event, script_execute, event_perform ...).
    // Each nested run is a call on the host's stack, so their depth has the same end as
    // one run's stack: "Stack overflow...", never the host stack's end (which the count
    // alone does not keep away when each level's host frames are large). The run stops
    // even when errors are silent.
    if (g_runDepth > kMaxRunDepth || Stack_IsLow()) [[unlikely]] {
        RAISE("Stack overflow...");
        f.failed = true;
        goto done;
    }

    DISPATCH();

grow:
    if (f.region >= kStackLimit) {
        RAISE("Stack overflow...");
        CHECK_FAILED();
    }
    f.region += kStackStep;
    growAt = int64_t(f.region) - (kStackTopGap + kStackLow);
    SAVE();
    EnsureSlots(f);
    LOAD();
    if (uint32_t(used) > g_deepestStack) g_deepestStack = uint32_t(used);
    in = &insts[pc++];
    if (!tracing) goto* kTable[in->plain];
    goto trace;

    // Before each instruction of a checked stretch: the stack's growth rule, then the
    // trace, then the plain handler.
check:
    if (used > growAt) [[unlikely]] {
        --pc;
        goto grow;
    }
    goto* kTable[in->plain];
trace_check:
    if (used > growAt) {
        --pc;
        goto grow;
    }

trace : {
    int line = SourceLine(f.debug, in->pc, &traceText);
    Console().Output("%08x(%08x) # %s@%d(%08x) : %s\n", uint32_t(f.region - kStackTopGap - used), f.region,
                     UnitName(f.name), line, in->pc, traceText.c_str());
    Console().Output("%s\n", VM_ListInstruction(Game().data, *Game().resources, f.program->bytecode, f.program->length,
                                                in->pc, f.program->strings)
                                 .c_str());
    goto* kTable[in->plain];
}

op_nop:
    DISPATCH();

op_conv : {
    // A real to an int (array indices, scopes): truncated in place.
    VMSlot& top = sp[-1];
    if ((in->typeByte >> 4) == eVM_Int && (in->typeByte & 0x0F) <= eVM_String && !top.str &&
        (top.type == eVM_Double || (top.type == eVM_Variable && top.kind == CValue::kReal))) {
        used += 4 - int64_t(VM_TypeWidth(top.type));
        top.SetInt(Real_TruncToInt32(top.d));
        DISPATCH();
    }
    int64_t before = VM_TypeWidth(sp[-1].type);
    const char* err = VMOp_Conv(sp[-1], in->typeByte);
    used += int64_t(VM_TypeWidth(sp[-1].type)) - before;
    if (err) {
        RAISE("%s", err);
        CHECK_FAILED();
    }
    DISPATCH();
}

#define BINARY_FAST(OP, FIELD, TYPECHECK)                            \
    {                                                                \
        VMSlot& r = sp[-1];                                          \
        VMSlot& l = sp[-2];                                          \
        if (l.type == TYPECHECK && r.type == TYPECHECK) [[likely]] { \
            l.FIELD = l.FIELD OP r.FIELD;                            \
            --sp;                                                    \
            used += in->vdelta;                                      \
            DISPATCH();                                              \
        }                                                            \
        goto op_binary;                                              \
    }

op_add_dd:
    BINARY_FAST(+, d, eVM_Double)
op_sub_dd:
    BINARY_FAST(-, d, eVM_Double)
op_mul_dd:
    BINARY_FAST(*, d, eVM_Double)
op_div_dd : {
    VMSlot& r = sp[-1];
    VMSlot& l = sp[-2];
    if (l.type == eVM_Double && r.type == eVM_Double && !Real_IsZeroDivisor(r.d)) {
        l.d = l.d / r.d;
        --sp;
        used += in->vdelta;
        DISPATCH();
    }
    goto op_binary;
}
// int with int wraps around on 32 bits.
#define INT_FAST(OP)                                             \
    {                                                            \
        VMSlot& r = sp[-1];                                      \
        VMSlot& l = sp[-2];                                      \
        if (l.type == eVM_Int && r.type == eVM_Int) [[likely]] { \
            l.i = int32_t(uint32_t(l.i) OP uint32_t(r.i));       \
            --sp;                                                \
            used += in->vdelta;                                  \
            DISPATCH();                                          \
        }                                                        \
        goto op_binary;                                          \
    }

op_add_ii:
    INT_FAST(+)
op_sub_ii:
    INT_FAST(-)
op_mul_ii:
    INT_FAST(*)

op_binary : {
    if (sp - f.base < 2) {
        RAISE("Stack underflow");
        CHECK_FAILED();
        DISPATCH();
    }
    VMSlot& r = sp[-1];
    VMSlot& l = sp[-2];
    {
        // Reals and ints mixed with variables: the common case, done here.
        double a, b;
        const bool variable = l.type == eVM_Variable || r.type == eVM_Variable;
        if ((variable || l.type != r.type) && NumberOf(l, a) && NumberOf(r, b)) {
            double v;
            bool done = true;
            switch (in->opcode) {
            case kOpAdd: v = a + b; break;
            case kOpSub: v = a - b; break;
            case kOpMul: v = a * b; break;
            case kOpMod: v = Real_Remainder(a, b); break;
            case kOpDiv:
                done = r.type == eVM_Int ? r.i != 0 : !Real_IsZeroDivisor(b);
                v = done ? a / b : 0;
                break;
            default:
                done = false;
                v = 0;
                break;
            }
            // int with int stays on the generic path (its own wrap-around and division).
            if (done && !(l.type == eVM_Int && r.type == eVM_Int)) {
                used -= int64_t(VM_TypeWidth(l.type)) + VM_TypeWidth(r.type);
                if (variable) l.SetRealVariable(v);
                else l.SetDouble(v);
                used += VM_TypeWidth(l.type);
                --sp;
                DISPATCH();
            }
        }
    }
    int64_t before = int64_t(VM_TypeWidth(l.type)) + VM_TypeWidth(r.type);
    const char* err = VMOp_Binary(in->opcode, l, r);
    --sp;
    used += int64_t(VM_TypeWidth(l.type)) - before;
    if (err) {
        RAISE("%s", err);
        CHECK_FAILED();
    }
    DISPATCH();
}

op_unary : {
    const char* err = VMOp_Unary(in->opcode, sp[-1]);
    if (err) {
        RAISE("%s", err);
        CHECK_FAILED();
    }
    DISPATCH();
}

op_cmp_dd : {
    VMSlot& r = sp[-1];
    VMSlot& l = sp[-2];
    if (l.type == eVM_Double && r.type == eVM_Double) {
        double d = l.d - r.d;
        bool v;
        switch (in->opcode) {
        case kOpSlt: v = d < -kRealTolerance; break;
        case kOpSle: v = d <= kRealTolerance; break;
        case kOpSeq: v = d > -kRealTolerance && d < kRealTolerance; break;
        case kOpSne: v = d < -kRealTolerance || d > kRealTolerance; break;
        case kOpSge: v = d >= -kRealTolerance; break;
        default: v = d > kRealTolerance; break;
        }
        l.SetBool(v);
        --sp;
        used += in->vdelta;
        DISPATCH();
    }
    goto op_compare;
}

op_compare : {
    if (sp - f.base < 2) {
        RAISE("Stack underflow");
        CHECK_FAILED();
        DISPATCH();
    }
    VMSlot& r = sp[-1];
    VMSlot& l = sp[-2];
    {
        double a, b;
        if (NumberOf(l, a) && NumberOf(r, b)) {
            double d = a - b;
            bool v;
            switch (in->opcode) {
            case kOpSlt: v = d < -kRealTolerance; break;
            case kOpSle: v = d <= kRealTolerance; break;
            case kOpSeq: v = d > -kRealTolerance && d < kRealTolerance; break;
            case kOpSne: v = d < -kRealTolerance || d > kRealTolerance; break;
            case kOpSge: v = d >= -kRealTolerance; break;
            default: v = d > kRealTolerance; break;
            }
            used += 4 - int64_t(VM_TypeWidth(l.type)) - VM_TypeWidth(r.type);
            l.SetBool(v);
            --sp;
            DISPATCH();
        }
    }
    int64_t before = int64_t(VM_TypeWidth(l.type)) + VM_TypeWidth(r.type);
    const char* err = VMOp_Compare(in->opcode, l, r);
    --sp;
    used += 4 - before;
    if (err) {
        RAISE("%s", err);
        CHECK_FAILED();
    }
    DISPATCH();
}

op_push_d:
    (sp++)->SetDouble(in->k.d);
    used += 8;
    DISPATCH();
op_push_f:
    *sp++ = VMSlot::Float(in->k.f);
    used += 4;
    DISPATCH();
op_push_i:
    (sp++)->SetInt(in->k.i);
    used += 4;
    DISPATCH();
op_push_l:
    *sp++ = VMSlot::Long(in->k.l);
    used += 8;
    DISPATCH();
op_push_b:
    *sp++ = VMSlot::Bool((in->k.i & 0xFF) != 0);
    sp[-1].b = in->k.i;
    used += 4;
    DISPATCH();
op_push_s:
    *sp++ = VMSlot::String(in->k.s ? Text_Duplicate(in->k.s) : nullptr);
    used += 4;
    DISPATCH();
op_push_e:
    *sp++ = VMSlot::Int(in->k.i);
    used += 4;
    DISPATCH();

op_push_local : {
    double real;
    if (NodeReal(LocalNode(nodes, f.locals, *in), real) && !tracing) {
        (sp++)->SetRealVariable(real);
        used += 16;
        DISPATCH();
    }
    scratch.Release();
    if (!f.locals->Get(in->a, 0, scratch)) goto push_failed;
    if (tracing) PrintVariableTrace(in->a, scratch);
    *sp++ = VMSlot::FromValueMove(scratch);
    used += 16;
    DISPATCH();
}
op_push_self : {
    double real;
    // argument0 .. argument15 holding reals: straight from their slots.
    if (uint32_t(in->a - kArgument0Id) < uint32_t(kArgumentSlotCount) && !tracing &&
        arguments[in->a - kArgument0Id].kind == CValue::kReal) {
        Game().indexError = false;
        (sp++)->SetRealVariable(arguments[in->a - kArgument0Id].val);
        used += 16;
        DISPATCH();
    }
    if (tracing) goto op_push_var;
    if (in->a >= kUserVariableStorageBase) {
        if (f.self && NodeReal(f.self->variables->Find(in->a), real)) {
            (sp++)->SetRealVariable(real);
            used += 16;
            DISPATCH();
        }
        goto op_push_var;
    }
    // A built-in: its field read here when that is all its getter does, else its getter
    // called as the scope's read would call it.
    {
        const CBuiltinVariable* entry = Variable_BuiltinEntry(in->a);
        if (!entry || !entry->getter) goto op_push_var;
        game.indexError = false;
        if (f.self && ReadField(*f.self, Variable_BuiltinField(in->a), real)) {
            (sp++)->SetRealVariable(real);
            used += 16;
            DISPATCH();
        }
        scratch.Release();
        if (!entry->getter(f.self, 0, scratch)) goto push_failed;
        *sp++ = VMSlot::FromValueMove(scratch);
        used += 16;
        DISPATCH();
    }
}
op_push_global : {
    double real;
    if (NodeReal(Game().globals->list->Find(in->a), real) && !tracing) {
        (sp++)->SetRealVariable(real);
        used += 16;
        DISPATCH();
    }
    goto op_push_var;
}
op_push_var : {
    double real;
    if (in->c == kScopeUnqualified && !tracing && UnqualifiedReal(*in, f.self, real)) {
        (sp++)->SetRealVariable(real);
        used += in->vdelta;
        DISPATCH();
    }
    int32_t index, scope;
    PopIndexAndScope(sp, *in, index, scope);
    scratch.Release();
    if (!Variable_GetByScope(scope, in->a, index, scratch, ScopeOf(f))) goto push_failed;
    if (tracing) PrintVariableTrace(in->a, scratch);
    *sp++ = VMSlot::FromValueMove(scratch);
    used += in->vdelta;
    DISPATCH();
}
push_failed:
    if (Game().indexError) RAISE("Push :: Execution Error - Variable Index out of range %s", Variable_Name(in->a));
    else RAISE("Push :: Execution Error - Variable Get %s", Variable_Name(in->a));
    CHECK_FAILED();
    *sp++ = VMSlot::Real(0);
    used += 16;
    DISPATCH();

op_pop_local : {
    if (!tracing && StoreReal(LocalNode(nodes, f.locals, *in), sp[-1])) {
        --sp;
        used += in->vdelta;
        DISPATCH();
    }
    VMSlot& v = *--sp;
    scratch.Release();
    if (!ValueFromSlot(v, scratch)) goto pop_malformed;
    if (tracing) PrintVariableTrace(in->a, scratch);
    used += in->vdelta;
    if (!f.locals->Set(in->a, 0, scratch) || Game().indexError) goto pop_failed;
    DISPATCH();
}
op_pop_self : {
    if (tracing) goto op_pop;
    if (in->a >= kUserVariableStorageBase) {
        if (f.self && StoreReal(f.self->variables->Find(in->a), sp[-1])) {
            --sp;
            used += in->vdelta;
            DISPATCH();
        }
        goto op_pop;
    }
    // A number into a built-in: straight to its setter, as the scope's write would go.
    const CBuiltinVariable* entry = Variable_BuiltinEntry(in->a);
    double real;
    if (!entry || !entry->writable || !entry->setter || !NumberOf(sp[-1], real)) goto op_pop;
    --sp;
    SetRealValue(scratch, real);
    used += in->vdelta;
    game.indexError = false;
    if (!entry->setter(f.self, 0, scratch) || game.indexError) goto pop_failed;
    DISPATCH();
}
op_pop_global:
    if (!tracing && StoreReal(Game().globals->list->Find(in->a), sp[-1])) {
        --sp;
        used += in->vdelta;
        DISPATCH();
    }
    goto op_pop;
op_pop : {
    if (in->c == kScopeUnqualified && !tracing && StoreUnqualifiedReal(*in, f.self, sp[-1])) {
        --sp;
        used += in->vdelta;
        DISPATCH();
    }
    int32_t index, scope;
    PopIndexAndScope(sp, *in, index, scope);
    VMSlot& v = *--sp;
    scratch.Release();
    if (!ValueFromSlot(v, scratch)) goto pop_malformed;
    if (tracing) PrintVariableTrace(in->a, scratch);
    used += in->vdelta;
    if (!Variable_SetByScope(scope, in->a, index, scratch, ScopeOf(f)) || Game().indexError) goto pop_failed;
    DISPATCH();
}
pop_failed:
    if (Game().indexError) RAISE("Pop :: Execution Error - Variable index out of range %s", Variable_Name(in->a));
    else RAISE("Pop :: Execution Error - Variable set problem %s", Variable_Name(in->a));
    CHECK_FAILED();
    DISPATCH();
pop_malformed:
    ReleaseSlot(*sp);
    RAISE("Pop :: Execution Engine");
    CHECK_FAILED();
    DISPATCH();
op_pop_bad:
    RAISE("Pop :: Execution Error - Instruction malformed");
    CHECK_FAILED();
    DISPATCH();

op_dup : {
    VMSlot copy = sp[-1];
    if (copy.type == kEnvironmentSlot) copy = VMSlot::Real(0);
    if (copy.str) copy.str = Text_Duplicate(copy.str);
    *sp++ = copy;
    used += VM_TypeWidth(copy.type);
    DISPATCH();
}
op_popz : {
    VMSlot& s = *--sp;
    used -= VM_TypeWidth(s.type);
    ReleaseSlot(s);
    DISPATCH();
}

op_b:
    pc = in->a;
    JUMP_CHECK(in->c);
    DISPATCH();
op_bt : {
    VMSlot& s = *--sp;
    used -= VM_TypeWidth(s.type);
    bool truth = s.type == eVM_Bool ? s.Truth() : s.type == eVM_Double ? s.d > 0.5 : (s.b & 0xFF) != 0;
    ReleaseSlot(s);
    if (truth) {
        pc = in->a;
        JUMP_CHECK(in->c);
    }
    DISPATCH();
}
op_bf : {
    VMSlot& s = *--sp;
    used -= VM_TypeWidth(s.type);
    bool truth = s.type == eVM_Bool ? s.Truth() : s.type == eVM_Double ? s.d > 0.5 : (s.b & 0xFF) != 0;
    ReleaseSlot(s);
    if (!truth) {
        pc = in->a;
        JUMP_CHECK(in->c);
    }
    DISPATCH();
}

op_pushenv : {
    VMSlot& s = *--sp;
    used -= VM_TypeWidth(s.type);
    int32_t target = s.type == eVM_Int ? s.i : s.type == eVM_Double || s.type == eVM_Variable ? int32_t(s.d) : 0;
    ReleaseSlot(s);
    if (target == -5) {
        RAISE("Cannot use global in with statement");
        CHECK_FAILED();
        DISPATCH();
    }
    if (target == -7) {
        RAISE("Cannot use local in with statement");
        CHECK_FAILED();
        DISPATCH();
    }
    // A body that does not run jumps to the block's closing popenv, which ends it.
    SAVE();
    bool runs = PushEnvironment(f, target);
    LOAD();
    if (!runs) {
        pc = in->a;
        JUMP_CHECK(in->c);
    }
    DISPATCH();
}
op_popenv : {
    SAVE();
    bool again = PopEnvironment(f, false);
    LOAD();
    if (again) {
        pc = in->a;
        JUMP_CHECK(in->c);
    }
    DISPATCH();
}
op_popenv_break:
    SAVE();
    PopEnvironment(f, true);
    LOAD();
    DISPATCH();

op_call_bad_type:
    RAISE("DoCall :: Execution Engine type error");
    CHECK_FAILED();
    DISPATCH();

op_call : {
    const int32_t id = in->a;
    const int32_t n = std::min<int32_t>(in->c, int32_t(sp - f.base));
    if (id >= kScriptIdBase && id <= kExtensionIdBase) {
        // A script call: a call record, and the loop goes on in the script's code.
        const int scriptIndex = id - kScriptIdBase;
        const ResourceTable<CScript>& scripts = game.resources->scripts;
        const CScript* script = size_t(scriptIndex) < scripts.size() ? scripts[scriptIndex].get() : nullptr;
        const VMProgram* target = script ? ScriptProgram(*script) : nullptr;
        if (!target) {
            for (int32_t k = 0; k < n; ++k) ReleaseSlot(*--sp);
            used -= 16 * n;
            *sp++ = VMSlot::Real(0);
            used += 16;
            DISPATCH();
        }
        if (callTrace) Console().Output("script call = %s\n", script->name.c_str());
        if (size_t(f.callDepth) >= f.storage->records.size())
            f.storage->records.push_back(std::make_unique<CallRecord>());
        CallRecord& rec = *f.storage->records[f.callDepth];
        // Only the slots in use move; the record's are all empty between calls.
        rec.argumentsLive = gameArguments.live;
        for (int k = 0; k < rec.argumentsLive; ++k) MoveValue(rec.arguments[k], arguments[k]);
        gameArguments.live = std::min<int32_t>(n, 16);
        for (int32_t k = 0; k < n; ++k) {
            VMSlot& s = sp[-1 - k];
            if (k < 16) ValueFromSlot(s, arguments[k]);
            else ReleaseSlot(s);
        }
        // Slots from n on were left empty by the moves above.
        sp -= n;
        rec.pc = pc;
        rec.self = f.self;
        rec.other = f.other;
        rec.program = f.program;
        rec.debug = f.debug;
        rec.name = f.name;
        rec.debuggerLine = f.debuggerLine;
        rec.argumentCount = gameArguments.count;
        rec.locals = f.locals;
        rec.slotBase = size_t(sp - f.base);
        rec.usedBase = used - 16 * n;
        rec.table = table;
        used = rec.usedBase + kCallRecordBytes;
        table = used + target->growth > growAt ? slowTable : fastTable;
        f.program = target;
        insts = target->insts.data();
        pc = 0;
        f.debug = script->programDebug;
        f.name = script->programName;
        f.debuggerLine = 0;
        gameArguments.count = std::min<int32_t>(n, 16);
        ++g_nesting;
        f.locals = EnterLocals(g_nesting);
        nodes = StartLocalNodes(g_nesting, target->localSlots);
        ++f.callDepth;
        DISPATCH();
    }

    // Built-in and extension functions: the arguments as values, first argument first.
    CValue* args = callArgs;
    if (n > 16) {
        manyArgs.resize(size_t(n));
        args = manyArgs.data();
    }
    for (int32_t k = 0; k < n; ++k) ValueFromSlot(sp[-1 - k], args[k]);
    sp -= n;
    callResult.Release();
    if (id >= 0 && id < kScriptIdBase) {
        const FunctionEntry* fn = Function_Entry(id);
        if (fn) {
            if (callTrace) Console().Output("func call = %s\n", fn->name);
            fn->handler(callResult, f.self, f.other, n, args);
        }
    } else if (id > kExtensionIdBase) {
        if (g_extensionCall) g_extensionCall(f.self, f.other, id - kExtensionIdBase, n, args, callResult);
        else
            Code_ShowError("Extension function " + std::to_string(id - kExtensionIdBase) + " is not implemented.",
                           false);
    }
    for (int32_t k = 0; k < n; ++k) args[k].Release();
    if (n > 16) manyArgs.clear();
    used += 16 - 16 * int64_t(n);
    *sp++ = VMSlot::FromValueMove(callResult);
    if (Code_EndingOnError()) {
        f.failed = true;
        goto done;
    }
    DISPATCH();
}

op_ret:
    if (f.callDepth == 0) goto done;
    retValue = sp > f.base ? sp[-1] : VMSlot::Real(0);
    if (sp > f.base) --sp;
    goto script_return;
op_exit:
    if (f.callDepth == 0) goto done;
    retValue = VMSlot::Real(0);
script_return : {
    CallRecord& rec = *f.storage->records[f.callDepth - 1];
    // Anything the script left above its arguments goes, then the caller comes back.
    VMSlot* keep = f.base + rec.slotBase;
    while (sp > keep) ReleaseSlot(*--sp);
    --f.callDepth;
    pc = rec.pc;
    table = rec.table;
    f.self = rec.self;
    f.other = rec.other;
    f.program = rec.program;
    insts = rec.program->insts.data();
    f.debug = rec.debug;
    f.name = rec.name;
    f.debuggerLine = rec.debuggerLine;
    f.locals = rec.locals;
    gameArguments.count = rec.argumentCount;
    --g_nesting;
    nodes = LocalNodes(g_nesting);
    RestoreArguments(gameArguments, rec);
    // Field by field: a whole-item copy would read back the parts just written
    // separately, which stalls the load.
    sp->SetHead(retValue.type, retValue.kind);
    sp->str = retValue.str;
    sp->l = retValue.l;
    ++sp;
    used = rec.usedBase + VM_TypeWidth(retValue.type);
    DISPATCH();
}

// Fused sequences: each falls back to its first record's plain handler.
// The end of a compare-and-branch sequence: its bt/bf taken on the comparison's truth,
// or the sequence stepped past.
#define FUSED_BRANCH(TRUTH)                    \
    do {                                       \
        if ((TRUTH) == (in[3].plain == hBt)) { \
            pc = in[3].a;                      \
            JUMP_CHECK(in[3].c);               \
        } else {                               \
            pc += 3;                           \
        }                                      \
        DISPATCH();                            \
    } while (0)
// Once per comparison, so each folds its comparison in.
#define LOCAL_CMP_K_BRANCH(LABEL, OPCODE)                                        \
    LABEL : {                                                                    \
        const CVariable* node = LocalNode(nodes, f.locals, *in);                 \
        if (!node || node->value.kind != CValue::kReal) goto* kTable[in->plain]; \
        FUSED_BRANCH(CompareReals(OPCODE, node->value.val - in[1].k.d));         \
    }
    LOCAL_CMP_K_BRANCH(op_local_cmp_k_branch_slt, kOpSlt)
    LOCAL_CMP_K_BRANCH(op_local_cmp_k_branch_sle, kOpSle)
    LOCAL_CMP_K_BRANCH(op_local_cmp_k_branch_seq, kOpSeq)
    LOCAL_CMP_K_BRANCH(op_local_cmp_k_branch_sne, kOpSne)
    LOCAL_CMP_K_BRANCH(op_local_cmp_k_branch_sge, kOpSge)
    LOCAL_CMP_K_BRANCH(op_local_cmp_k_branch_sgt, kOpSgt)

#define LOCAL_CMP_LOCAL_BRANCH(LABEL, OPCODE)                                                           \
    LABEL : {                                                                                           \
        const CVariable* left = LocalNode(nodes, f.locals, *in);                                        \
        const CVariable* right = LocalNode(nodes, f.locals, in[1]);                                     \
        if (!left || left->value.kind != CValue::kReal || !right || right->value.kind != CValue::kReal) \
            goto* kTable[in->plain];                                                                    \
        FUSED_BRANCH(CompareReals(OPCODE, left->value.val - right->value.val));                         \
    }
    LOCAL_CMP_LOCAL_BRANCH(op_local_cmp_local_branch_slt, kOpSlt)
    LOCAL_CMP_LOCAL_BRANCH(op_local_cmp_local_branch_sle, kOpSle)
    LOCAL_CMP_LOCAL_BRANCH(op_local_cmp_local_branch_seq, kOpSeq)
    LOCAL_CMP_LOCAL_BRANCH(op_local_cmp_local_branch_sne, kOpSne)
    LOCAL_CMP_LOCAL_BRANCH(op_local_cmp_local_branch_sge, kOpSge)
    LOCAL_CMP_LOCAL_BRANCH(op_local_cmp_local_branch_sgt, kOpSgt)
#undef FUSED_BRANCH
#undef LOCAL_CMP_K_BRANCH
#undef LOCAL_CMP_LOCAL_BRANCH
// The arithmetic ones come once per operation, so each folds its operation in.
#define LOCAL_OP_K(LABEL, OPCODE)                                                                                 \
    LABEL : {                                                                                                     \
        const CVariable* node = LocalNode(nodes, f.locals, *in);                                                  \
        double v;                                                                                                 \
        if (!node || node->value.kind != CValue::kReal || !RealArithmetic(OPCODE, node->value.val, in[1].k.d, v)) \
            goto* kTable[in->plain];                                                                              \
        (sp++)->SetRealVariable(v);                                                                               \
        used += 16;                                                                                               \
        pc += 2;                                                                                                  \
        DISPATCH();                                                                                               \
    }
    LOCAL_OP_K(op_local_op_k_add, kOpAdd)
    LOCAL_OP_K(op_local_op_k_sub, kOpSub)
    LOCAL_OP_K(op_local_op_k_mul, kOpMul)
    LOCAL_OP_K(op_local_op_k_div, kOpDiv)
    LOCAL_OP_K(op_local_op_k_mod, kOpMod)

#define LOCAL_OP_LOCAL(LABEL, OPCODE)                                                                     \
    LABEL : {                                                                                             \
        const CVariable* left = LocalNode(nodes, f.locals, *in);                                          \
        const CVariable* right = LocalNode(nodes, f.locals, in[1]);                                       \
        double v;                                                                                         \
        if (!left || left->value.kind != CValue::kReal || !right || right->value.kind != CValue::kReal || \
            !RealArithmetic(OPCODE, left->value.val, right->value.val, v))                                \
            goto* kTable[in->plain];                                                                      \
        (sp++)->SetRealVariable(v);                                                                       \
        used += 16;                                                                                       \
        pc += 2;                                                                                          \
        DISPATCH();                                                                                       \
    }
    LOCAL_OP_LOCAL(op_local_op_local_add, kOpAdd)
    LOCAL_OP_LOCAL(op_local_op_local_sub, kOpSub)
    LOCAL_OP_LOCAL(op_local_op_local_mul, kOpMul)

#define K_OP(LABEL, OPCODE)                                                                              \
    LABEL : {                                                                                            \
        double v;                                                                                        \
        if (sp == f.base || sp[-1].type != eVM_Variable || sp[-1].kind != CValue::kReal || sp[-1].str || \
            !RealArithmetic(OPCODE, sp[-1].d, in->k.d, v))                                               \
            goto* kTable[in->plain];                                                                     \
        sp[-1].d = v;                                                                                    \
        pc += 1;                                                                                         \
        DISPATCH();                                                                                      \
    }
    K_OP(op_k_op_add, kOpAdd)
    K_OP(op_k_op_sub, kOpSub)
    K_OP(op_k_op_mul, kOpMul)
    K_OP(op_k_op_div, kOpDiv)
    K_OP(op_k_op_mod, kOpMod)

#define OP_POP_LOCAL(LABEL, OPCODE)                                                                    \
    LABEL : {                                                                                          \
        if (sp - f.base < 2) goto* kTable[in->plain];                                                  \
        VMSlot& r = sp[-1];                                                                            \
        VMSlot& l = sp[-2];                                                                            \
        CVariable* node = LocalNode(nodes, f.locals, in[1]);                                           \
        double a, b, v;                                                                                \
        if ((l.type != eVM_Variable && r.type != eVM_Variable) || l.str || r.str || !NumberOf(l, a) || \
            !NumberOf(r, b) || !node || node->value.str || !RealArithmetic(OPCODE, a, b, v))           \
            goto* kTable[in->plain];                                                                   \
        used += 16 - int64_t(VM_TypeWidth(l.type)) - VM_TypeWidth(r.type) + in[1].vdelta;              \
        sp -= 2;                                                                                       \
        node->value.kind = CValue::kReal;                                                              \
        node->value.val = v;                                                                           \
        pc += 1;                                                                                       \
        DISPATCH();                                                                                    \
    }
    OP_POP_LOCAL(op_op_pop_local_add, kOpAdd)
    OP_POP_LOCAL(op_op_pop_local_sub, kOpSub)
    OP_POP_LOCAL(op_op_pop_local_mul, kOpMul)

#define LOCAL_OP_K_POP_LOCAL(LABEL, OPCODE)                                       \
    LABEL : {                                                                     \
        const CVariable* node = LocalNode(nodes, f.locals, *in);                  \
        CVariable* to = LocalNode(nodes, f.locals, in[3]);                        \
        double v;                                                                 \
        if (!node || node->value.kind != CValue::kReal || !to || to->value.str || \
            !RealArithmetic(OPCODE, node->value.val, in[1].k.d, v))               \
            goto* kTable[in->plain];                                              \
        to->value.kind = CValue::kReal;                                           \
        to->value.val = v;                                                        \
        used += 16 + in[3].vdelta;                                                \
        pc += 3;                                                                  \
        DISPATCH();                                                               \
    }
    LOCAL_OP_K_POP_LOCAL(op_local_op_k_pop_local_add, kOpAdd)
    LOCAL_OP_K_POP_LOCAL(op_local_op_k_pop_local_sub, kOpSub)
    LOCAL_OP_K_POP_LOCAL(op_local_op_k_pop_local_mul, kOpMul)
#undef LOCAL_OP_K
#undef LOCAL_OP_LOCAL
#undef K_OP
#undef OP_POP_LOCAL
#undef LOCAL_OP_K_POP_LOCAL
op_local_index_push : {
    const CVariable* at = LocalNode(nodes, f.locals, *in);
    CVariable* array = LocalNode(nodes, f.locals, in[2]);
    if (!at || at->value.kind != CValue::kReal || !array) goto* kTable[in->plain];
    const CValue* element = StoredElement(array, Real_TruncToInt32(at->value.val));
    if (!element || element->kind != CValue::kReal) goto* kTable[in->plain];
    Game().indexError = false;
    (sp++)->SetRealVariable(element->val);
    used += 16;
    pc += 2;
    DISPATCH();
}
op_local_index_pop : {
    const CVariable* at = LocalNode(nodes, f.locals, *in);
    CVariable* array = LocalNode(nodes, f.locals, in[2]);
    double v;
    if (!at || at->value.kind != CValue::kReal || !array || sp == f.base || sp[-1].str || !NumberOf(sp[-1], v))
        goto* kTable[in->plain];
    CValue* element = StoredElement(array, Real_TruncToInt32(at->value.val));
    if (!element || element->str) goto* kTable[in->plain];
    Game().indexError = false;
    element->kind = CValue::kReal;
    element->val = v;
    --sp;
    used += 4 + in[2].vdelta;
    pc += 2;
    DISPATCH();
}

op_end:
    if (f.callDepth > 0) goto op_exit;
    goto done;

done:
    SAVE();
    if (!f.failed && result && f.sp > f.base) {
        VMSlot top = f.sp[-1];
        --f.sp;
        ValueFromSlot(top, *result);
    }
    // Whatever is left on the stack, and any `with` block left open, goes now.
    while (f.sp > f.base) {
        if (f.sp[-1].type == kEnvironmentSlot) {
            PopEnvironment(f, true);
            continue;
        }
        ReleaseSlot(*--f.sp);
    }
    while (f.callDepth > 0) {
        CallRecord& rec = *f.storage->records[--f.callDepth];
        RestoreArguments(gameArguments, rec);
        --g_nesting;
    }
    storage->envUsed = envMark;
    if (uint32_t(f.used) > g_deepestStack) g_deepestStack = uint32_t(f.used);
    Game().arguments.count = savedArgumentCount;
    --g_nesting;
    --g_runDepth;
    return !f.failed;
#undef DISPATCH
#undef SAVE
#undef LOAD
#undef RAISE
#undef CHECK_FAILED
#undef BINARY_FAST
#undef INT_FAST
#undef JUMP_CHECK
}

}  // namespace
