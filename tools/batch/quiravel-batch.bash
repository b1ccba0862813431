# SPDX-License-Identifier: Apache-2.0
# bash completion for quiravel-batch
_quiravel_batch()
{
    local cur prev
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}
    case $prev in
        --source|--report)
            COMPREPLY=($(compgen -W 'application database device' -- "$cur"))
            return ;;
        --pdf)
            COMPREPLY=($(compgen -d -- "$cur"))
            return ;;
        --summary)
            COMPREPLY=($(compgen -f -X '!*.csv' -- "$cur") $(compgen -d -- "$cur"))
            return ;;
        --jobs|--timeout)
            return ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '--help --version --quiet --verbose --source --report --pdf --jobs
            --timeout --summary --isolated' -- "$cur"))
    elif [[ $cur == @* ]]; then
        COMPREPLY=($(compgen -P @ -f -- "${cur#@}"))
    else
        COMPREPLY=($(compgen -f -X '!*.kqd' -- "$cur") $(compgen -d -- "$cur"))
    fi
}
complete -o filenames -F _quiravel_batch quiravel-batch
