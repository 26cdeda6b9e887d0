<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ru">
<context>
    <name>Texts</name>
    <message>
        <source>у параметра --%1 нет значения</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>параметр --%1 не принимает значения</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--interval: нужно число миллисекунд от 10 до 3600000</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--%1: нужно целое число от %2 до %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>неизвестный параметр %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Использование: kestrel-cli [параметры] КОМАНДА [аргументы]

Считыватель и шина:
  scan                          опрос сети: адреса ответивших устройств
  inventory                     опрос сети, затем идентификация и настройки каждого
  identify                      серийный номер, тип и версия
  live [--watch [--interval MS]] текущие параметры (с --watch - до Ctrl-C)
  settings                      режим и параметры радио
  set-address НОВЫЙ             сетевой адрес 0..200
  set-serial НОМЕР              серийный номер 0..2000000
  set-mode РЕЖИМ [--master] [--frequency-output]
                                reader, indicator, powered-tag, bridge, repeater
  set-radio СЕТЬ КАНАЛ МОЩНОСТЬ (или --network, --channel, --power)
  calibrate high|low --yes      перекалибровка верхнего или нижнего уровня
  bound-ids read | set ЯЧЕЙКА ID | clear
  reset-delay get | set ЗАДЕРЖКА
  backup [ФАЙЛ]                 настройки считывателя в JSON
  restore ФАЙЛ [--only mode,radio,bound-ids,reset-delay,serial] [--with-serial]
Метки:
  tag search                    метка, ответившая на поиск
  tag read ID                   параметры метки (ID в HEX)
  tag write ID [--id HEX | --decimal-id N] [--delay N] [--mode N] [--power N] [--period N]
  tag set-serial ID НОМЕР
  tag set-id ID НОМЕР
Мост:
  bridge read                   данные ведомого и его значение RS485
Пакет:
  batch ФАЙЛ|-                  по команде в строке; # - комментарий

Параметры:
  --port ПУТЬ                   порт (или переменная KESTREL_PORT)
  -a, --address A               адрес устройства
  --json                        по объекту JSON на результат
  --trace                       запросы и ответы в HEX на stderr
  --log-file ФАЙЛ               журнал обмена в CSV
  --verify                      проверить записанное чтением
  --keep-going                  пакет не останавливается на ошибке
  --lang ru|en                  язык сообщений (по умолчанию русский)
  --timeout MS (300)  --retries N (2)  --gap MS (5)  --scan-wait MS (500)
  --help, --version

Коды выхода: 0 выполнено; 1 устройство не ответило или отказало; 2 ошибка ввода
(ничего не отправлено); 3 ошибка порта.
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>scan [--scan-wait MS]
  Опрос сети (31 FF DC): адреса ответивших устройств.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>inventory
  Опрос сети, затем идентификация и настройки каждого найденного устройства.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>identify -a A
  Серийный номер, тип устройства и версия.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>live -a A [--watch] [--interval MS]
  Текущие параметры; с --watch строка на каждое чтение до Ctrl-C.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>settings -a A
  Режим, сеть, канал и мощность.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>set-address -a A НОВЫЙ [--verify]
  Новый сетевой адрес 0..200.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>set-serial -a A НОМЕР [--verify]
  Новый серийный номер 0..2000000.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>set-mode -a A РЕЖИМ [--master] [--frequency-output] [--verify]
  РЕЖИМ: reader, indicator, powered-tag, bridge, repeater или номер 0, 1, 2, 6, 16.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>set-radio -a A СЕТЬ КАНАЛ МОЩНОСТЬ [--verify]
  или --network 1..65000 --channel 1..255 --power 3..255.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>calibrate -a A high|low --yes
  Перекалибровка уровня; без --yes не выполняется.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>bound-ids -a A read | set ЯЧЕЙКА ID | clear [--verify]
  Таблица привязанных ID (ячейки 1..10, ID в HEX).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>reset-delay -a A get | set ЗАДЕРЖКА [--verify]
  Задержка обнуления ID 0..6000.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>backup -a A [ФАЙЛ]
  Режим, радио, привязанные ID, задержка и идентификация в JSON.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>restore -a A ФАЙЛ [--only mode,radio,bound-ids,reset-delay,serial] [--with-serial] [--verify]
  Запись настроек из файла резервной копии.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>tag search | read ID | write ID [поля] | set-serial ID НОМЕР | set-id ID НОМЕР
  Поля записи: --id HEX, --decimal-id N, --delay, --mode, --power, --period; не названные поля сохраняют прочитанные у метки значения.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>bridge -a A read
  Данные ведомого устройства моста и его значение RS485.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>batch ФАЙЛ|- [--keep-going]
  По команде в строке, # начинает комментарий; останавливается на первой ошибке, в конце - итоговая строка.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>устройство ответило без нужных данных</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Выполнено.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>не задана команда; kestrel-cli --help - список команд</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>неизвестная команда %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>использование: kestrel-cli </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>прервано</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>адрес %1: %2 (попыток: %3)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>проверка не прошла: %1 %2, ожидалось %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>порт потерян: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ответ на опрос сети не читается: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Устройства не ответили.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Найдены адреса: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>адрес %1: %2; %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>адрес %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>режим %1, сеть %2, канал %3, мощность %4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>серийный номер</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>неизвестный режим %1: reader, indicator, powered-tag, bridge, repeater или 0, 1, 2, 6, 16</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>режим</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>сеть/канал/мощность</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Установлены параметры радио: сеть %1, канал %2, мощность %3.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>calibrate high или calibrate low</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> Подтвердите параметром --yes.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>bound-ids read, bound-ids set ЯЧЕЙКА ID или bound-ids clear</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ячейка %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>reset-delay get или reset-delay set ЗАДЕРЖКА</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>задержка обнуления</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>серийный номер метки</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>tag search, read, write, set-serial или set-id</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--id и --decimal-id вместе не задаются</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>параметры метки</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>не удалось записать %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Настройки адреса %1 сохранены в %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>не удалось открыть %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 не резервная копия настроек считывателя%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--only: неизвестная часть %1 (mode, radio, bound-ids, reset-delay, serial)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>серийный номер записывается только с --with-serial</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: неверный режим</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: нужно 10 привязанных ID</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1, ячейка %2: %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 %2, ожидалось %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>проверка не прошла: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Адрес %1: записано из %2: %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1, строка %2: %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>строка длиннее %1 байт</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>не текст в UTF-8</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>незакрытая кавычка</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>пакет внутри пакета не выполняется</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: порт потерян на строке %2; выполнены строки: %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>нет</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Пакет %1: выполнено %2, ошибок %3%4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>, прерван</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>kestrel-cli --help - список команд</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>не задан порт: --port ПУТЬ или переменная KESTREL_PORT</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>порт %1 недоступен%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>использование: kestrel-cli batch ФАЙЛ|-</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>текущие параметры</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>идентификация</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>сетевой адрес</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>верхний уровень</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>нижний уровень</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>параметры радио</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>очистка привязанных ID</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>чтение привязанных ID</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>привязанные ID</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>чтение задержки обнуления</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>поиск метки</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>чтение метки</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>запись метки</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>данные моста</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>RS485 моста</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>усреднение установлено</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>усреднение снято</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>инверсия</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>лампа/частота</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>код </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Установите существующий сетевой адрес</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Введите число в диапазоне 0....2 000 000</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Введите число в диапазоне 0....200</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>номер ячейки должен быть от 1 до10</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Установите номер режима в диапазоне 1...9</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Введены ошибочные данные</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Идентификатор не является десятичным числом</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Установите значение мощности в диапазоне -125 ... 125 дбм</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Значение периода не может быть нулевым</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Сейчас будет произведена перекалибровка верхнего уровня. Вы уверены что это нужно?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Сейчас будет произведена перекалибровка нижнего уровня. Вы уверены что это нужно?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Приняты данные</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Приняты доп. параметры считывателя</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> Установлен сетевой номер.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Установлен серийный номер.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> Установлен верхний уровень.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> Установлен нижний уровень.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> Установлен новый режим.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> Установлено кол. усреднение.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> Снято усреднение.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Изменена инверсия.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Изменено состояние лампа/частота.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Был ПИНГ.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Считаны данные.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Считаны параметры метки.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Приняты данные моста</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Произошел опрос сети.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>уровень</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>темп.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>текущее</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>пустой</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>второе</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>сеть</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>канал</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>мощность</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>нет данных</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>сер. № ????????</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>сер. №</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>тип</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>версия</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>привязанные ID: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>метка сер. №</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>метка</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>задержка</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>период</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ведомый сер. №</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>частота</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>контакт</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>замкнут</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>разомкнут</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ведомый</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>новый режим</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>устройства в сети: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ошибка записи в порт</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cлишком много символов Идентификатора</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>В строке имеются символы не принадлежащие HEX</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>устройство не найдено</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>нет прав доступа (%1); пользователь должен состоять в группе dialout</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>порт занят другой программой (PID %1%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>порт занят другой программой</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>это папка</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>файл не открыт</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Не удалось записать журнал в файл %1: %2. Запись журнала в файл выключена.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Время</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Адрес</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Команда</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Запрос</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ответ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>мс</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Итог</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Значение</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>поиск устройств в сети</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ответ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>нет ответа</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ошибка CRC</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>мусор</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>чужой адрес</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>слишком длинный</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>неизвестный код</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>чужая команда</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>событие</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>S/N ведомого</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Температура</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Частота</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>уровень приема</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Данные RS485</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Контакт</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>запрос Е8</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Запрос 06</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Да</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Нет</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Нет данных</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Не определены</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Нет данных со считывателя с номером </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Нет связи с меткой </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Нет связи с удаленным считывателем</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Сетевой Адрес</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Изменить &amp;сетевой адрес</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Поиск считывателя</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Устройства в сети:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Установки</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ID метки</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Сетевой адрес</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Пустой</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Сер. Номер</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Версия ПО</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Вращение</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Считыватель</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>мост</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Сервисная панель</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Текущие параметры</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Уровень</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Темп-ра</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Текущий</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Вид</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Журнал обмена</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;График</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Сервисная панель</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Язык</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Язык будет изменён при следующем запуске программы.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Язык</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Свя&amp;зь</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Переподключаться &amp;автоматически</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Сп&amp;равка</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;О программе</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 %2
Сервисная программа для считывателей, радиометок и мостов на шине RS-485.

Qt %3
Лицензия: MIT</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>О программе</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Порт %1 потерян (%2), ожидание его возвращения</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Порт %1 вернулся, но не открывается: %2; ожидание</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Порт %1 снова открыт</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Введите новый сетевой номер</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ввод сетевого номера</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>СТОП</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ЛЕВОЕ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ПРАВОЕ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Связь</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Открыть порт</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Закрыть порт</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Нет доступных портов</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> недоступен. Установите нужный порт.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Режимы считывателя</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Считыватель-индикатор</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Метка  с питанием</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Мост</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Повторитель</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Частотный выход</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Мастер</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Установить</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Параметры</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Номер сети</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Номер Канала</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Мощность</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Установить</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Доп. параметры</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Задержка обнуления ID</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Считать</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Привязанные ID</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>N яч.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>установить</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>считать</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>очистить</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Команды</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Установить Полны&amp;й</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Уст&amp;ановить  Пустой</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Уст. сер ном считывателя</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Введите серийный номер</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ввод серийного номера</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Введите серийный номер метки</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ввод серийного номера метки</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Введите ID номер метки</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ввод ID номера метки</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Параметры метки</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Сер. Ном.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Текущий ID</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ID Метки</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Режим</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Период</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Задержка</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Уровень приема</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>HEX вид.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Установка идентификационного Номера</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Уст. сер. Но&amp;мера Метки</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Поиск метки</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Серийный Номер</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Кол.Байт</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Интервал</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Кол. байт</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Все</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Журнал обмена</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Адрес:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Итог:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Пауза</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>О&amp;чистить</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Копировать</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Сохранить CSV…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Статистика связи (с открытия порта или сброса)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Сб&amp;росить</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Запросов</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ответов</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Нет ответа</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ошибка CRC</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Мусор</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Прочие</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Успех, %</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>мс мин</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>мс медиана</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>мс макс</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Сохранить журнал</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Не удалось сохранить файл %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Строк: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>, пауза: ждут %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Температура, °C</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Текущее значение</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>График</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 мин</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Пауза</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Сохранить PNG…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Сохранить CSV…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Адрес %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Сохранить график</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Сохранить данные графика</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
