/* Preloaded into 32-bit Wine processes that run under qemu user-mode emulation.
 *
 * qemu hands the i386 signal handlers a machine context whose trap number is -1. Wine reads
 * the trap number to choose the Windows exception: with -1 a NULL write becomes an illegal
 * instruction, IsBadReadPtr kills the process and a division by zero gets the wrong code.
 * This wraps the SIGSEGV, SIGBUS and SIGFPE handlers the process installs and fills the trap
 * number in from the signal's si_code before the real handler runs.
 *
 * Built without 32-bit development headers (none are installed), so the few kernel and libc
 * layouts it needs are spelled out here, as the i386 ABI defines them.
 */

#define NULL ((void*)0)
#define RTLD_NEXT ((void*)-1l)

#define SIGBUS 7
#define SIGFPE 8
#define SIGSEGV 11
#define SA_SIGINFO 4

#define SEGV_MAPERR 1
#define SEGV_ACCERR 2
#define FPE_INTDIV 1
#define FPE_INTOVF 2

/* i386 trap numbers as the processor reports them. */
#define TRAP_DIVIDE 0
#define TRAP_OVERFLOW 4
#define TRAP_PROTECTION 13
#define TRAP_PAGE_FAULT 14
#define TRAP_FLOATING_POINT 16

struct siginfo_head {
    int si_signo;
    int si_errno;
    int si_code;
};

/* ucontext_t: uc_flags, uc_link, uc_stack (3 words), then mcontext's 19 registers. */
struct ucontext_head {
    unsigned long uc_flags;
    void* uc_link;
    void* ss_sp;
    int ss_flags;
    unsigned int ss_size;
    int gregs[19];
};
#define REG_TRAPNO 12

typedef void (*info_handler)(int, struct siginfo_head*, void*);

struct libc_sigaction {
    info_handler handler;
    unsigned long mask[32];
    int flags;
    void (*restorer)(void);
};

void* dlsym(void* handle, const char* name);

static info_handler wrapped[SIGSEGV + 1];

static int trap_number(int signal, int code) {
    if (signal == SIGFPE) {
        if (code == FPE_INTDIV)
            return TRAP_DIVIDE;
        if (code == FPE_INTOVF)
            return TRAP_OVERFLOW;
        return TRAP_FLOATING_POINT;
    }
    return code == SEGV_MAPERR || code == SEGV_ACCERR ? TRAP_PAGE_FAULT : TRAP_PROTECTION;
}

static void mend_and_forward(int signal, struct siginfo_head* info, void* context) {
    struct ucontext_head* uc = context;
    if (uc != NULL && info != NULL && uc->gregs[REG_TRAPNO] == -1)
        uc->gregs[REG_TRAPNO] = trap_number(signal, info->si_code);
    wrapped[signal](signal, info, context);
}

int sigaction(int signal, const struct libc_sigaction* action, struct libc_sigaction* old) {
    static int (*real)(int, const struct libc_sigaction*, struct libc_sigaction*);
    if (real == NULL)
        real = dlsym(RTLD_NEXT, "sigaction");
    if (action == NULL || !(action->flags & SA_SIGINFO) ||
        (signal != SIGSEGV && signal != SIGBUS && signal != SIGFPE))
        return real(signal, action, old);
    struct libc_sigaction copy = *action;
    info_handler previous = wrapped[signal];
    wrapped[signal] = action->handler;
    copy.handler = mend_and_forward;
    int result = real(signal, &copy, old);
    if (result != 0)
        wrapped[signal] = previous;
    else if (old != NULL && old->handler == mend_and_forward)
        old->handler = previous;
    return result;
}
