# Completes command lines with the zsh completion of quorvel, in an
# interactive zsh on a pseudo-terminal, and prints each line as completion
# left it: zsh -f complete_zsh.zsh COMPLETIONS_DIR SCRATCH_DIR LINE...
#
# Nothing is typed ahead: each step waits until the shell has done the one
# before (a line typed while completion runs can be lost).
zmodload zsh/zpty || exit 2
local dir=$1 scratch=$2 out=$2/.completed
shift 2
: >| $out

# Reads the shell's output as it comes, so that it never blocks on a full
# terminal, until the output file has $1 lines (five seconds at most).
local rest
await() {
  local tries=0
  while (( $(wc -l < $out) < $1 )); do
    (( tries++ < 250 )) || return 1
    while zpty -r -t z rest; do :; done
    sleep 0.02
  done
}

zpty z zsh -f -i || exit 2
zpty -w z "cd ${(q)scratch}; fpath=(${(q)dir} \$fpath); autoload -U compinit; compinit -u -d ${(q)scratch}/.zcompdump"
# Ctrl-X appends the line being edited to the output file and clears it.
zpty -w z "dump() { print -r -- \"\$BUFFER\" >> ${(q)out}; BUFFER=''; }; zle -N dump; bindkey '^X' dump; bindkey '^I' complete-word"
zpty -w -n z $'ready\x18'
await 1 || exit 1
: >| $out
local n=0
for line in "$@"; do
  zpty -w -n z "$line"$'\t\x18'
  await $((++n)) || break
done
zpty -d z
cat $out
(( n == $# )) && await $#
